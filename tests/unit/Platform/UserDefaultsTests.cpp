#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/Foundation/UserDefaults.h"
#include "support/TemporaryFolder.h"

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    TemporaryFolder m_temporary{"defaults"};
    std::string m_folder = m_temporary.path();
    std::string m_path = m_temporary / "Library/Preferences/suite.plist";

    mode_t modeOf(const std::string& path) const
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }

};

}  // namespace

TEST_F(UserDefaultsTest, WritesAPrivateXMLListCreatingItsFolder)
{
    UserDefaults defaults("suite", m_path);
    EXPECT_TRUE(defaults.set(true, "flag"));
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(modeOf(m_folder + "/Library/Preferences"), 0700u);
    EXPECT_EQ(modeOf(m_path), 0600u);
    std::string xml = FileManager::contents(m_path).value_or("");
    EXPECT_NE(xml.find("<?xml"), std::string::npos);
    EXPECT_NE(xml.find("<key>flag</key>"), std::string::npos);
    EXPECT_NE(xml.find("<true/>"), std::string::npos);
}

TEST_F(UserDefaultsTest, ValuesRoundTripAndAbsentOnesReadEmpty)
{
    UserDefaults defaults("suite", m_path);
    EXPECT_FALSE(defaults.boolForKey("flag"));
    EXPECT_EQ(defaults.dataForKey("bytes"), std::nullopt);
    EXPECT_EQ(defaults.stringForKey("text"), std::nullopt);

    const std::string bytes("a\0b\xFF", 4);
    EXPECT_TRUE(defaults.setData(bytes, "bytes"));
    EXPECT_TRUE(defaults.setString("grüße", "text"));
    EXPECT_TRUE(defaults.set(true, "flag"));
    EXPECT_EQ(defaults.dataForKey("bytes"), bytes);
    EXPECT_EQ(defaults.stringForKey("text"), "grüße");
    EXPECT_TRUE(defaults.boolForKey("flag"));
    // A value of another kind is not the kind asked for.
    EXPECT_EQ(defaults.dataForKey("text"), std::nullopt);
    EXPECT_EQ(defaults.stringForKey("bytes"), std::nullopt);

    EXPECT_TRUE(defaults.remove("flag"));
    EXPECT_TRUE(defaults.remove("never set"));
    EXPECT_FALSE(defaults.boolForKey("flag"));
    EXPECT_EQ(defaults.dataForKey("bytes"), bytes);
}

TEST_F(UserDefaultsTest, ReadsBinaryListsAndBooleansStoredAsOtherKinds)
{
    auto binary = PropertyListSerialization::data(
        PropertyListValue::Dictionary{{"number", 2}, {"zero", 0}, {"yes", "YES"}, {"no", "NO"}, {"real", 0.5}},
        PropertyListSerialization::Format::binary);
    ASSERT_TRUE(binary && binary->starts_with("bplist"));
    FileManager::createDirectory(m_folder + "/Library/Preferences", true, 0700);
    ASSERT_FALSE(FileManager::writeAtomically(m_path, *binary));

    UserDefaults defaults("suite", m_path);
    EXPECT_TRUE(defaults.boolForKey("number"));
    EXPECT_FALSE(defaults.boolForKey("zero"));
    EXPECT_TRUE(defaults.boolForKey("yes"));
    EXPECT_FALSE(defaults.boolForKey("no"));
    EXPECT_TRUE(defaults.boolForKey("real"));

    // A write keeps the other values and turns the file into XML.
    EXPECT_TRUE(defaults.set(false, "number"));
    EXPECT_FALSE(defaults.boolForKey("number"));
    EXPECT_TRUE(defaults.boolForKey("yes"));
    EXPECT_EQ(FileManager::contents(m_path).value_or("").substr(0, 5), "<?xml");
}

TEST_F(UserDefaultsTest, AnUnparsableFileReadsEmptyAndIsNeverOverwritten)
{
    FileManager::createDirectory(m_folder + "/Library/Preferences", true, 0700);
    for (std::string junk : {"garbage", "<?xml version=\"1.0\"?><plist><array/></plist>"}) {
        ASSERT_FALSE(FileManager::writeAtomically(m_path, junk));
        UserDefaults defaults("suite", m_path);
        EXPECT_FALSE(defaults.boolForKey("flag"));
        EXPECT_FALSE(defaults.set(true, "flag"));
        EXPECT_FALSE(defaults.synchronize());
        EXPECT_EQ(FileManager::contents(m_path), junk);
    }

    // Once the file is readable again, writing works and synchronize says so.
    ASSERT_FALSE(FileManager::writeAtomically(m_path, ""));
    UserDefaults defaults("suite", m_path);
    EXPECT_TRUE(defaults.set(true, "a"));
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_TRUE(defaults.boolForKey("a"));
}

TEST_F(UserDefaultsTest, ThreadsWritingDifferentKeysKeepEachOthersValues)
{
    UserDefaults shared("suite", m_path);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&, thread] {
            // Half of them through an object of their own, as another program would.
            UserDefaults own("suite", m_path);
            UserDefaults& defaults = thread % 2 ? own : shared;
            for (int index = 0; index < 20; ++index)
                defaults.set(true, "t" + std::to_string(thread) + "." + std::to_string(index));
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int thread = 0; thread < 4; ++thread)
        for (int index = 0; index < 20; ++index)
            EXPECT_TRUE(shared.boolForKey("t" + std::to_string(thread) + "." + std::to_string(index)));
}

TEST_F(UserDefaultsTest, TwoProcessesWritingDifferentKeysKeepEachOthersValues)
{
    UserDefaults defaults("suite", m_path);
    ASSERT_TRUE(defaults.set(true, "start"));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    std::string prefix = child == 0 ? "child." : "parent.";
    bool allWritten = true;
    for (int index = 0; index < 30; ++index)
        allWritten = defaults.set(true, prefix + std::to_string(index)) && allWritten;
    if (child == 0)
        ::_exit(allWritten ? 0 : 1);

    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(allWritten);
    for (int index = 0; index < 30; ++index) {
        EXPECT_TRUE(defaults.boolForKey("child." + std::to_string(index))) << index;
        EXPECT_TRUE(defaults.boolForKey("parent." + std::to_string(index))) << index;
    }
}
