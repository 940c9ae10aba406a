#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/Foundation/UserDefaults.h"
#include "support/Fifo.h"
#include "support/TemporaryFolder.h"

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    TemporaryFolder m_folder{"defaults"};
    std::string m_path = m_folder / "Library/Preferences/suite.plist";
    void makeFolder() const { std::filesystem::create_directories(m_folder / "Library/Preferences"); }
};

// A binary list {"flag": true, "deep": [[[...]]]} with `depth` arrays nested.
std::string deeplyNested(size_t depth)
{
    auto bigEndian = [](std::string& out, uint64_t value, size_t width) {
        for (size_t byte = width; byte-- > 0;)
            out += static_cast<char>(value >> (8 * byte) & 0xFF);
    };
    const size_t width = 4;
    std::string body = "bplist00";
    std::vector<size_t> offsets;
    // 0: the dictionary, 1-2: its keys, 3: true, 4...: the arrays, the last one empty.
    offsets.push_back(body.size());
    body += '\xD2';
    for (uint64_t ref : {1, 2, 3, 4})
        bigEndian(body, ref, width);
    offsets.push_back(body.size());
    body += "\x54" "flag";
    offsets.push_back(body.size());
    body += "\x54" "deep";
    offsets.push_back(body.size());
    body += '\x09';
    for (size_t level = 0; level < depth; ++level) {
        offsets.push_back(body.size());
        body += '\xA1';
        bigEndian(body, 5 + level, width);
    }
    offsets.push_back(body.size());
    body += '\xA0';
    size_t table = body.size();
    for (size_t offset : offsets)
        bigEndian(body, offset, width);
    std::string trailer(6, '\0');
    trailer += static_cast<char>(width);
    trailer += static_cast<char>(width);
    bigEndian(trailer, offsets.size(), 8);
    bigEndian(trailer, 0, 8);
    bigEndian(trailer, table, 8);
    return body + trailer;
}

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST_F(UserDefaultsTest, ValuesRoundTripThroughAPrivateXMLList)
{
    UserDefaults defaults("suite", m_path);
    EXPECT_FALSE(defaults.boolForKey("flag"));
    const std::string bytes("a\0b\xFF", 4);
    EXPECT_TRUE(defaults.setData(bytes, "bytes"));
    EXPECT_TRUE(defaults.setString("grüße", "text"));
    EXPECT_TRUE(defaults.set(true, "flag"));
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(modeOf(m_folder / "Library/Preferences"), 0700u);
    EXPECT_EQ(modeOf(m_path), 0600u);
    std::string xml = FileManager::contents(m_path).valueOr("");
    EXPECT_TRUE(xml.starts_with("<?xml") && xml.find("<key>flag</key>") != std::string::npos) << xml;

    UserDefaults other("suite", m_path);
    EXPECT_EQ(other.dataForKey("bytes"), bytes);
    EXPECT_EQ(other.stringForKey("text"), "grüße");
    EXPECT_TRUE(other.boolForKey("flag"));
    // A value of another kind is not the kind asked for.
    EXPECT_EQ(other.dataForKey("text"), std::nullopt);
    EXPECT_EQ(other.stringForKey("bytes"), std::nullopt);

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
    makeFolder();
    ASSERT_TRUE(FileManager::writeAtomically(m_path, *binary));

    UserDefaults defaults("suite", m_path);
    for (auto [key, value] : {std::pair{"number", true}, {"zero", false}, {"yes", true}, {"no", false}, {"real", true}})
        EXPECT_EQ(defaults.boolForKey(key), value) << key;

    // A write keeps the other values and turns the file into XML.
    EXPECT_TRUE(defaults.set(false, "number"));
    EXPECT_FALSE(defaults.boolForKey("number"));
    EXPECT_TRUE(defaults.boolForKey("yes"));
    EXPECT_TRUE(FileManager::contents(m_path).valueOr("").starts_with("<?xml"));
}

TEST_F(UserDefaultsTest, AnUnparsableFileReadsEmptyAndIsNeverOverwritten)
{
    makeFolder();
    for (std::string junk : {"garbage", "<?xml version=\"1.0\"?><plist><array/></plist>"}) {
        ASSERT_TRUE(FileManager::writeAtomically(m_path, junk));
        UserDefaults defaults("suite", m_path);
        EXPECT_FALSE(defaults.boolForKey("flag"));
        EXPECT_FALSE(defaults.set(true, "flag"));
        EXPECT_FALSE(defaults.synchronize());
        EXPECT_EQ(FileManager::contents(m_path), junk);
    }
    // Once the file is readable again, writing works.
    ASSERT_TRUE(FileManager::writeAtomically(m_path, ""));
    UserDefaults defaults("suite", m_path);
    EXPECT_TRUE(defaults.set(true, "a"));
    EXPECT_TRUE(defaults.boolForKey("a"));
}

TEST_F(UserDefaultsTest, AnythingButASmallRegularFileReadsAsAbsentAndIsReportedOncePerChange)
{
    makeFolder();
    UserDefaults defaults("suite", m_path);
    std::vector<std::string> reported;
    defaults.setUnreadableFileHandler([&](const Error& error) { reported.push_back(error.description); });
    auto large = PropertyListSerialization::data(
        PropertyListValue::Dictionary{{"flag", true}, {"padding", PropertyListValue::Data{std::string(2 << 20, 'x')}}},
        PropertyListSerialization::Format::binary);
    ASSERT_TRUE(large);
    const std::vector<std::pair<std::string, std::function<void()>>> files{
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(m_path.c_str(), 0600), 0); }},
        {"a link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", m_path); }},
        {"100,000 arrays nested", [&] { m_folder.write("Library/Preferences/suite.plist", deeplyNested(100'000)); }},
        {"a 2 MiB list", [&] { m_folder.write("Library/Preferences/suite.plist", *large); }},
    };
    for (const auto& [what, make] : files) {
        std::filesystem::remove(m_path);
        make();
        bool flag = true;
        EXPECT_TRUE(finishesWithoutWaitingOnFifo(m_path, [&] {
            flag = defaults.boolForKey("flag");
            defaults.dataForKey("padding");
        })) << what;
        EXPECT_FALSE(flag) << what;
        EXPECT_FALSE(defaults.set(true, "other")) << what << ": left alone";
        EXPECT_EQ(reported.size(), 1u)
            << what << ": once per change of the file";
        reported.clear();
    }
    // A readable file again is read.
    std::filesystem::remove(m_path);
    EXPECT_TRUE(defaults.set(true, "flag"));
    EXPECT_TRUE(defaults.boolForKey("flag"));
    EXPECT_TRUE(reported.empty());
}

TEST_F(UserDefaultsTest, ConcurrentWritersOfDifferentKeysKeepEachOthersValues)
{
    UserDefaults shared("suite", m_path);
    ASSERT_TRUE(shared.set(true, "start"));
    // Another process, and threads of which half use an object of their own.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool allWritten = true;
        for (int index = 0; index < 30; ++index)
            allWritten = shared.set(true, "child." + std::to_string(index)) && allWritten;
        ::_exit(allWritten ? 0 : 1);
    }
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([&, thread] {
            UserDefaults own("suite", m_path);
            UserDefaults& defaults = thread % 2 ? own : shared;
            for (int index = 0; index < 20; ++index)
                EXPECT_TRUE(defaults.set(true, "t" + std::to_string(thread) + "." + std::to_string(index)));
        });
    for (auto& thread : threads)
        thread.join();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int index = 0; index < 30; ++index)
        EXPECT_TRUE(shared.boolForKey("child." + std::to_string(index))) << index;
    for (int thread = 0; thread < 4; ++thread)
        for (int index = 0; index < 20; ++index)
            EXPECT_TRUE(shared.boolForKey("t" + std::to_string(thread) + "." + std::to_string(index)));
}

}  // namespace
