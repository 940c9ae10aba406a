#include <gtest/gtest.h>

#include "Platform/Foundation/FileManager.h"
#include "Shared/SharedData.h"
#include "support/TemporaryFolder.h"

namespace {

class SharedDataTest : public ::testing::Test {
protected:
    TemporaryFolder m_folder{"shared"};
    std::string m_path = m_folder / "Preferences/top.kestrova.macOS.Parvex.Shared.plist";
    std::shared_ptr<UserDefaults> suite() const
    {
        return std::make_shared<UserDefaults>(std::string(SharedData::suiteName), m_path);
    }
};

TEST_F(SharedDataTest, WritesAreSeenByAnotherInstanceAtOnceUnderTheirKeys)
{
    // Two objects stand for the settings app and the running menu-bar app.
    SharedData settingsApp(suite());
    SharedData menuApp(suite());
    EXPECT_FALSE(menuApp.managerStyle() || menuApp.loginItemIsEnabled() || menuApp.pluginStatus());
    EXPECT_FALSE(FileManager::fileExists(m_path)) << "reading must not create the suite";

    EXPECT_TRUE(settingsApp.setManagerStyle(true));
    EXPECT_TRUE(settingsApp.setLoginItemIsEnabled(true));
    EXPECT_TRUE(settingsApp.setPluginStatus(true));
    EXPECT_TRUE(menuApp.managerStyle() && menuApp.loginItemIsEnabled() && menuApp.pluginStatus());
    EXPECT_TRUE(settingsApp.setManagerStyle(false));
    EXPECT_FALSE(menuApp.managerStyle());
    EXPECT_TRUE(menuApp.loginItemIsEnabled()) << "other keys survive a write";

    // The names the other programs read.
    std::string xml = FileManager::contents(m_path).valueOr("");
    for (const char* key : {"Parvex.Helper.Login.Item.Enabled.Key", "Parvex.Plugin.Status.Key", "Parvex.Manager.Style.Key"})
        EXPECT_NE(xml.find(std::string("<key>") + key + "</key>"), std::string::npos) << key;
}

TEST_F(SharedDataTest, PasswordIsStoredAsItsExactUTF8Bytes)
{
    SharedData data(suite());
    EXPECT_EQ(data.pwd(), "");
    const std::string password = " pässwörd 密码 'quoted' ";
    EXPECT_TRUE(data.setPwd(password));
    EXPECT_EQ(SharedData(suite()).pwd(), password);
    EXPECT_EQ(suite()->dataForKey("Parvex.Mac.PWD.Key"), password);
    EXPECT_EQ(suite()->stringForKey(SharedData::pwdKey), std::nullopt) << "data, not a string value";

    EXPECT_TRUE(data.setPwd(""));
    EXPECT_EQ(suite()->dataForKey(SharedData::pwdKey), std::string()) << "an empty data value, not a removal";

    ASSERT_TRUE(suite()->setData("abc\xFF\xFE", SharedData::pwdKey));
    EXPECT_EQ(data.pwd(), "") << "bytes that are not UTF-8 read as no password";
}

TEST_F(SharedDataTest, AFailedWriteIsReported)
{
    std::filesystem::create_directories(m_folder / "Preferences");
    ASSERT_TRUE(FileManager::writeAtomically(m_path, "not a property list"));
    SharedData data(suite());
    EXPECT_FALSE(data.setManagerStyle(true));
    EXPECT_FALSE(data.setPwd("x"));
    EXPECT_EQ(FileManager::contents(m_path), "not a property list");
}

}  // namespace
