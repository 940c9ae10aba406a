#include <gtest/gtest.h>

#include "support/TemporaryFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/FileManager.h"
#include "Shared/Console.h"

namespace {

class ConsoleTest : public ::testing::Test {
protected:
    TemporaryFolder m_temporary{"console"};
    std::string m_folder = m_temporary.path();
    std::string m_path = m_temporary / "Parvex.txt";

    std::string file() const { return FileManager::contents(m_path).value_or("<missing>"); }

    // Another program touching the log between two of our entries.
    static void touchWithoutChangingContent(const std::string& path)
    {
        timespec times[2] = {{0, UTIME_OMIT}, {12345, 678}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

};

const std::regex kHeader(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} in ConsoleTests\.cpp (.*) \[Line (\d+)\]:)");

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    out.push_back(text.substr(start));
    return out;
}

}  // namespace

TEST_F(ConsoleTest, EntriesAreSeparatedByOneEmptyLineAndItemsShareTheirHeader)
{
    Console console(m_path);
    console.clear();
    int first = __LINE__ + 1;
    console.printLog("Running...", "run()");
    int second = __LINE__ + 1;
    console.printLog({"one", "two"}, "doEvent(_:)");

    auto text = file();
    ASSERT_EQ(text.back(), '\n');
    auto got = lines(text);
    ASSERT_EQ(got.size(), 7u) << text;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(got[0], match, kHeader)) << got[0];
    EXPECT_EQ(match[1], "run()");
    EXPECT_EQ(match[2], std::to_string(first));
    EXPECT_EQ(got[1], "Running...");
    EXPECT_EQ(got[2], "");
    ASSERT_TRUE(std::regex_match(got[3], match, kHeader)) << got[3];
    EXPECT_EQ(match[1], "doEvent(_:)");
    EXPECT_EQ(match[2], std::to_string(second));
    EXPECT_EQ(got[4], "one");
    EXPECT_EQ(got[5], "two");
    EXPECT_EQ(got[6], "");
}

TEST_F(ConsoleTest, StandardOutputShowsEachEntryFollowedByAnEmptyLine)
{
    Console console(m_path);
    console.clear();
    ::testing::internal::CaptureStdout();
    console.printLog({"a", "b"}, "save()");
    console.printLog("c", "save()");
    std::string out = ::testing::internal::GetCapturedStdout();
    // The file is the same entries without the terminal's last empty line.
    EXPECT_EQ(out, file() + "\n");
    EXPECT_EQ(lines(out).size(), 8u);
}

TEST_F(ConsoleTest, EarlierTextStaysInFrontAndMissingFileStartsWithAnEmptyLine)
{
    ASSERT_FALSE(FileManager::writeAtomically(m_path, "from last launch\n"));
    Console keeping(m_path);
    ::testing::internal::CaptureStdout();
    keeping.printLog("x", "save()");
    std::string entry = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(file(), "from last launch\n\n" + entry.substr(0, entry.size() - 1));

    std::string missing = m_folder + "/new.txt";
    Console fresh(missing);
    ::testing::internal::CaptureStdout();
    fresh.printLog("y", "save()");
    entry = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(FileManager::contents(missing).value_or(""), "\n" + entry.substr(0, entry.size() - 1));

    // A log written in a legacy 8-bit encoding is kept, readable.
    std::string legacy = m_folder + "/legacy.txt";
    ASSERT_FALSE(FileManager::writeAtomically(legacy, "caf\xE9"));
    Console converting(legacy);
    ::testing::internal::CaptureStdout();
    converting.printLog("z", "save()");
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(FileManager::contents(legacy).value_or("").substr(0, 6), "caf\xC3\xA9\n");
}

TEST_F(ConsoleTest, ClearEmptiesTheFileAndForgetsItsEarlierText)
{
    ASSERT_FALSE(FileManager::writeAtomically(m_path, "old"));
    Console console(m_path);
    console.clear();
    EXPECT_EQ(file(), "");

    ::testing::internal::CaptureStdout();
    console.printLog("after", "run()");
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(file(), out.substr(0, out.size() - 1));
    EXPECT_EQ(file().find("old"), std::string::npos);
}

TEST_F(ConsoleTest, UnwritablePathReportsOnStandardOutputOnlyAndLaterWritesCatchUp)
{
    std::string folder = m_folder + "/Users/tamsel";
    std::string path = folder + "/Parvex.txt";
    Console console(path);

    ::testing::internal::CaptureStdout();
    console.printLog("first", "mount()");
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(FileManager::fileExists(path));
    // The entry, then exactly one report of the failed write.
    auto got = lines(out);
    ASSERT_EQ(got.size(), 7u) << out;
    EXPECT_EQ(got[1], "first");
    EXPECT_NE(got[3].find(" save(_:) [Line "), std::string::npos) << got[3];
    EXPECT_NE(got[4].find("Parvex.txt"), std::string::npos) << got[4];

    ::testing::internal::CaptureStdout();
    console.clear();
    out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(" clear() [Line "), std::string::npos) << out;

    // A failed clear keeps the list, so the next good write still has every entry.
    ASSERT_TRUE(FileManager::createDirectory(folder, true, 0700));
    ::testing::internal::CaptureStdout();
    console.printLog("second", "mount()");
    out = ::testing::internal::GetCapturedStdout();
    auto text = FileManager::contents(path).value_or("");
    EXPECT_EQ(text.substr(0, 1), "\n");
    EXPECT_NE(text.find("\nfirst\n\n"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\nsecond\n")) << text;
    EXPECT_EQ(out.find("save(_:)"), std::string::npos);
}

TEST_F(ConsoleTest, AppendingWritesTheSameBytesAsRewriting)
{
    Console appending(m_path);
    appending.clear();
    ino_t inode = FileManager::stamp(m_path).inode;
    ::testing::internal::CaptureStdout();
    for (int index = 0; index < 20; ++index)
        appending.printLog({"entry " + std::to_string(index), "é\\\"x"}, "run()");
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(file(), out.substr(0, out.size() - 1));
    EXPECT_EQ(FileManager::stamp(m_path).inode, inode) << "entries should be appended in place";

    std::string otherPath = m_folder + "/rewritten.txt";
    Console rewriting(otherPath);
    rewriting.clear();
    ::testing::internal::CaptureStdout();
    for (int index = 0; index < 20; ++index) {
        ino_t before = FileManager::stamp(otherPath).inode;
        touchWithoutChangingContent(otherPath);
        rewriting.printLog({"entry " + std::to_string(index), "é\\\"x"}, "run()");
        EXPECT_NE(FileManager::stamp(otherPath).inode, before) << "a touched file should be rewritten";
    }
    out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(FileManager::contents(otherPath).value_or(""), out.substr(0, out.size() - 1));
}

TEST_F(ConsoleTest, AFileChangedByAnotherWriterIsRewrittenWithOurList)
{
    Console console(m_path);
    console.clear();
    ::testing::internal::CaptureStdout();
    console.printLog("ours 1", "run()");
    ASSERT_FALSE(FileManager::writeAtomically(m_path, "other program's list\n"));
    console.printLog("ours 2", "run()");
    ASSERT_FALSE(FileManager::append(m_path, "appended by someone else\n"));
    console.printLog("ours 3", "run()");
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(file(), out.substr(0, out.size() - 1));

    // Same size and inode, only the time differs: still not ours.
    touchWithoutChangingContent(m_path);
    ::testing::internal::CaptureStdout();
    console.printLog("ours 4", "run()");
    out += ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(file(), out.substr(0, out.size() - 1));
}

TEST_F(ConsoleTest, EntriesFromManyThreadsNeverInterleave)
{
    Console console(m_path);
    console.clear();
    ::testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&console, thread] {
            for (int index = 0; index < 50; ++index)
                console.printLog({"thread " + std::to_string(thread), "item " + std::to_string(index)}, "run()");
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::string out = ::testing::internal::GetCapturedStdout();
    std::string text = file();
    EXPECT_EQ(text, out.substr(0, out.size() - 1));
    auto got = lines(text);
    ASSERT_EQ(got.size(), 200u * 4);
    for (size_t index = 0; index < got.size(); index += 4) {
        EXPECT_TRUE(std::regex_match(got[index], kHeader)) << got[index];
        EXPECT_EQ(got[index + 1].substr(0, 7), "thread ");
        EXPECT_EQ(got[index + 2].substr(0, 5), "item ");
    }
}
