#include <gtest/gtest.h>

#include "support/TemporaryFolder.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Shared/SharedData.h"

namespace {

class SharedDataTest : public ::testing::Test {
protected:
    TemporaryFolder m_temporary{"shared"};
    std::string m_folder = m_temporary.path();
    std::string m_path = m_temporary / "Preferences/top.kestrova.macOS.Parvex.Shared.plist";

    std::shared_ptr<UserDefaults> suite() const
    {
        return std::make_shared<UserDefaults>(std::string(SharedData::suiteName), m_path);
    }

};

}  // namespace

TEST_F(SharedDataTest, AFreshAccountReadsEveryAbsentValue)
{
    SharedData data(suite());
    EXPECT_FALSE(data.loginItemIsEnabled());
    EXPECT_EQ(data.pwd(), "");
    EXPECT_FALSE(data.pluginStatus());
    EXPECT_FALSE(data.managerStyle());
    EXPECT_FALSE(FileManager::fileExists(m_path)) << "reading must not create the suite";
}

TEST_F(SharedDataTest, WritesAreSeenByAnotherInstanceAtOnce)
{
    // Two objects stand for the settings app and the running menu-bar app.
    SharedData settingsApp(suite());
    SharedData menuApp(suite());

    EXPECT_TRUE(settingsApp.setManagerStyle(true));
    EXPECT_TRUE(menuApp.managerStyle());
    EXPECT_TRUE(settingsApp.setLoginItemIsEnabled(true));
    EXPECT_TRUE(settingsApp.setPluginStatus(true));
    EXPECT_TRUE(menuApp.loginItemIsEnabled());
    EXPECT_TRUE(menuApp.pluginStatus());

    EXPECT_TRUE(settingsApp.setManagerStyle(false));
    EXPECT_FALSE(menuApp.managerStyle());
    EXPECT_TRUE(menuApp.loginItemIsEnabled()) << "other keys survive a write";
}

TEST_F(SharedDataTest, PasswordIsStoredAsItsExactUTF8Bytes)
{
    SharedData data(suite());
    const std::string password = " pässwörd 密码 'quoted' ";
    EXPECT_TRUE(data.setPwd(password));
    EXPECT_EQ(SharedData(suite()).pwd(), password);
    EXPECT_EQ(suite()->dataForKey(SharedData::pwdKey), password);
    EXPECT_EQ(suite()->stringForKey(SharedData::pwdKey), std::nullopt) << "data, not a string value";

    EXPECT_TRUE(data.setPwd(""));
    EXPECT_EQ(suite()->dataForKey(SharedData::pwdKey), std::string()) << "an empty data value, not a removal";
    EXPECT_EQ(data.pwd(), "");
}

TEST_F(SharedDataTest, PasswordThatIsNotUTF8ReadsEmpty)
{
    ASSERT_TRUE(suite()->setData("abc\xFF\xFE", SharedData::pwdKey));
    EXPECT_EQ(SharedData(suite()).pwd(), "");
}

TEST_F(SharedDataTest, KeysAreTheOnesTheOtherProgramReads)
{
    SharedData data(suite());
    data.setLoginItemIsEnabled(true);
    data.setPwd("x");
    data.setPluginStatus(true);
    data.setManagerStyle(true);
    std::string xml = FileManager::contents(m_path).value_or("");
    for (const char* key : {"Parvex.Helper.Login.Item.Enabled.Key", "Parvex.Mac.PWD.Key", "Parvex.Plugin.Status.Key",
                            "Parvex.Manager.Style.Key"})
        EXPECT_NE(xml.find(std::string("<key>") + key + "</key>"), std::string::npos) << key;
    EXPECT_NE(xml.find("<data>"), std::string::npos);
}

TEST_F(SharedDataTest, AFailedWriteIsReported)
{
    FileManager::createDirectory(m_folder + "/Preferences", true, 0700);
    ASSERT_FALSE(FileManager::writeAtomically(m_path, "not a property list"));
    SharedData data(suite());
    EXPECT_FALSE(data.setManagerStyle(true));
    EXPECT_FALSE(data.setPwd("x"));
    EXPECT_EQ(FileManager::contents(m_path), "not a property list");
}
