#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Text.h"
#include "Shared/Console.h"
#include "support/Fifo.h"
#include "support/TemporaryFolder.h"

namespace {

const std::regex kHeader(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} in ConsoleTests\.cpp (.*) \[Line (\d+)\]:)");

std::vector<std::string> lines(const std::string& text)
{
    return Text::split(text, '\n', Text::keepEmpty);
}

// What `body` prints, minus the terminal's last empty line: the bytes the file should gain.
template <typename Body>
std::string logged(Body body)
{
    ::testing::internal::CaptureStdout();
    body();
    std::string out = ::testing::internal::GetCapturedStdout();
    return out.substr(0, out.size() - 1);
}

class ConsoleTest : public ::testing::Test {
protected:
    TemporaryFolder m_folder{"console"};
    std::string m_path = m_folder / "Parvex.txt";
    std::string file(const std::string& path) const { return FileManager::contents(path).valueOr("<missing>"); }
};

TEST_F(ConsoleTest, EntriesAreSeparatedByOneEmptyLineAndItemsShareTheirHeader)
{
    Console console(m_path);
    console.clear();
    int first = __LINE__ + 2;
    std::string out = logged([&] {
        console.printLog("Running...", "run()");
        console.printLog({"one", "two"}, "doEvent(_:)");
    });
    EXPECT_EQ(file(m_path), out) << "standard output shows the same entries";
    auto got = lines(out);
    ASSERT_EQ(got.size(), 7u) << out;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(got[0], match, kHeader)) << got[0];
    EXPECT_EQ(match[1], "run()");
    EXPECT_EQ(match[2], std::to_string(first));
    ASSERT_TRUE(std::regex_match(got[3], match, kHeader)) << got[3];
    EXPECT_EQ(match[1], "doEvent(_:)");
    EXPECT_EQ(match[2], std::to_string(first + 1));
    EXPECT_EQ(std::vector(got.begin() + 4, got.end()), (std::vector<std::string>{"one", "two", ""}));
    EXPECT_EQ(got[1] + "|" + got[2], "Running...|");
}

TEST_F(ConsoleTest, EarlierTextStaysInFrontUntilCleared)
{
    ASSERT_TRUE(FileManager::writeAtomically(m_path, "from last launch\n"));
    Console keeping(m_path);
    std::string entry = logged([&] { keeping.printLog("x", "save()"); });
    EXPECT_EQ(file(m_path), "from last launch\n\n" + entry);
    keeping.clear();
    EXPECT_EQ(file(m_path), "");
    entry = logged([&] { keeping.printLog("after", "run()"); });
    EXPECT_EQ(file(m_path), entry);

    // A missing file starts with an empty line.
    std::string missing = m_folder / "new.txt";
    Console fresh(missing);
    entry = logged([&] { fresh.printLog("y", "save()"); });
    EXPECT_EQ(file(missing), "\n" + entry);

    // A log written in a legacy 8-bit encoding is kept, readable.
    std::string legacy = m_folder / "legacy.txt";
    ASSERT_TRUE(FileManager::writeAtomically(legacy, "caf\xE9"));
    Console converting(legacy);
    logged([&] { converting.printLog("z", "save()"); });
    EXPECT_EQ(file(legacy).substr(0, 6), "caf\xC3\xA9\n");
}

TEST_F(ConsoleTest, UnwritablePathReportsOnStandardOutputOnlyAndLaterWritesCatchUp)
{
    std::string folder = m_folder / "Users/tamsel";
    std::string path = folder + "/Parvex.txt";
    Console console(path);

    std::string out = logged([&] { console.printLog("first", "mount()"); });
    EXPECT_FALSE(FileManager::fileExists(path));
    // The entry, then exactly one report of the failed write.
    auto got = lines(out);
    ASSERT_EQ(got.size(), 6u) << out;
    EXPECT_EQ(got[1], "first");
    EXPECT_NE(got[3].find(" save(_:) [Line "), std::string::npos) << got[3];
    EXPECT_NE(got[4].find("Parvex.txt"), std::string::npos) << got[4];
    EXPECT_NE(logged([&] { console.clear(); }).find(" clear() [Line "), std::string::npos);

    // A failed clear keeps the list, so the next good write still has every entry.
    ASSERT_TRUE(FileManager::createDirectory(folder, true, 0700));
    out = logged([&] { console.printLog("second", "mount()"); });
    auto text = file(path);
    EXPECT_EQ(text.substr(0, 1), "\n");
    EXPECT_NE(text.find("\nfirst\n\n"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\nsecond\n")) << text;
    EXPECT_EQ(out.find("save(_:)"), std::string::npos);

    // Until a program names its log file, the shared logger writes nowhere else.
    Console unnamed;
    EXPECT_EQ(lines(logged([&] { unnamed.printLog("only here", "run()"); })).size(), 3u);
}

TEST_F(ConsoleTest, EntriesGoAfterWhatOtherProgramsWroteNeverOverIt)
{
    Console console(m_path);
    console.clear();
    ino_t inode = FileManager::stamp(m_path).inode;
    std::string expected = logged([&] {
        for (int index = 0; index < 20; ++index)
            console.printLog({"entry " + std::to_string(index), "é\\\"x"}, "run()");
    });
    EXPECT_EQ(file(m_path), expected);
    EXPECT_EQ(FileManager::stamp(m_path).inode, inode) << "entries should be appended in place";

    // The other program replaced the file (its clear, its trim), then appended to it.
    ASSERT_TRUE(FileManager::writeAtomically(m_path, "other program's entry\n"));
    expected = "other program's entry\n\n" + logged([&] { console.printLog("ours 2", "run()"); });
    ASSERT_TRUE(FileManager::append(m_path, "\nappended by someone else\n"));
    expected += "\nappended by someone else\n\n" + logged([&] { console.printLog("ours 3", "run()"); });
    EXPECT_EQ(file(m_path), expected);
}

TEST_F(ConsoleTest, TheLogKeepsItsNewestEntriesWithinItsBudget)
{
    Console console(m_path);
    console.clear();
    const std::string padding(500, 'x');
    ::testing::internal::CaptureStdout();
    for (int index = 0; index < 6000; ++index)
        console.printLog({"entry " + std::to_string(index), padding}, "run()");
    ::testing::internal::GetCapturedStdout();
    std::string text = file(m_path);
    EXPECT_LE(text.size(), Console::defaultBudget);
    EXPECT_GT(text.size(), Console::defaultBudget / 2);
    auto got = lines(text);
    EXPECT_EQ(got[0], "Older entries were dropped here to keep this log within 1024 KiB.");
    EXPECT_EQ(got[1], "");
    // Whole entries only, the newest last.
    ASSERT_TRUE(std::regex_match(got[2], kHeader)) << got[2];
    EXPECT_EQ(got[got.size() - 3], "entry 5999");
    EXPECT_EQ((got.size() - 2) % 4, 0u);

    // A program that finds such a log keeps its tail, from a line's start.
    Console later(m_path);
    later.printLog("after", "run()");
    text = file(m_path);
    EXPECT_LE(text.size(), Console::defaultBudget);
    EXPECT_TRUE(text.starts_with("Older entries were dropped here")) << text.substr(0, 80);
    EXPECT_TRUE(text.ends_with("after\n"));
}

TEST_F(ConsoleTest, ALockAStrangerHoldsDoesNotLetTheLogGrowWithoutEnd)
{
    Console console(m_path);
    console.clear();
    // Anyone who may read the log may lock it, and keep it locked.
    int stranger = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(stranger, 0);
    ASSERT_EQ(::flock(stranger, LOCK_EX), 0);
    const std::string padding(500, 'x');
    ::testing::internal::CaptureStdout();
    for (int index = 0; index < 6000; ++index)
        console.printLog({"entry " + std::to_string(index), padding}, "run()");
    ::testing::internal::GetCapturedStdout();
    ::close(stranger);
    const std::string text = file(m_path);
    EXPECT_LE(text.size(), 2 * Console::defaultBudget);
    EXPECT_TRUE(text.starts_with("Older entries were dropped here")) << text.substr(0, 80);
    EXPECT_EQ(lines(text)[lines(text).size() - 3], "entry 5999");
}

TEST_F(ConsoleTest, EachItemIsOneLineWithItsControlCharactersEscaped)
{
    Console console(m_path);
    console.clear();
    std::string out = logged([&] {
        console.printLog({"Data\n2024-01-01 00:00:00.000 in main.cpp run() [Line 1]:", "\x1b[2Jred\r\t\xC2\x85", "\xFF"},
                         "add(_:)");
    });
    auto got = lines(file(m_path));
    ASSERT_EQ(got.size(), 5u) << file(m_path);
    EXPECT_EQ(got[1], "Data\\n2024-01-01 00:00:00.000 in main.cpp run() [Line 1]:");
    EXPECT_EQ(got[2], "\\u{1b}[2Jred\\r\\t\\u{85}");
    EXPECT_EQ(got[3], "\\x{ff}");
    EXPECT_EQ(file(m_path), out) << "standard output shows the same";
}

TEST_F(ConsoleTest, AFileSomeoneElsePlantedAtTheLogPathIsReplacedNeverWrittenThrough)
{
    // A sticky folder everyone may write to, as /tmp is.
    ASSERT_EQ(::chmod(m_folder.path().c_str(), 01777), 0);
    const std::string victim = m_folder.write("victim", "mine\n", 0600);
    std::vector<std::pair<std::string, std::function<void()>>> plants{
        {"a link to a file of the test's", [&] { std::filesystem::create_symlink(victim, m_path); }},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(m_path.c_str(), 0666), 0); }},
    };
    if (::geteuid() == 0)
        plants.push_back({"another user's file", [&] {
                              m_folder.write("Parvex.txt", "planted\n", 0666);
                              ASSERT_EQ(::chown(m_path.c_str(), 65534, 65534), 0);
                          }});
    for (auto& [what, plant] : plants) {
        std::filesystem::remove(m_path);
        plant();
        Console console(m_path);
        std::string out;
        EXPECT_TRUE(finishesWithoutWaitingOnFifo(m_path, [&] { out = logged([&] { console.printLog("entry", "run()"); }); }))
            << what;
        struct stat info {};
        ASSERT_EQ(::lstat(m_path.c_str(), &info), 0) << what;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << what;
        EXPECT_EQ(info.st_uid, ::geteuid()) << what;
        EXPECT_EQ(info.st_mode & 0022, 0u) << what;
        EXPECT_TRUE(file(m_path).ends_with("entry\n")) << what;
        EXPECT_EQ(file(victim), "mine\n") << what;
    }
}

TEST_F(ConsoleTest, EntriesFromManyThreadsNeverInterleave)
{
    Console console(m_path);
    console.clear();
    std::string out = logged([&] {
        std::vector<std::thread> threads;
        for (int thread = 0; thread < 4; ++thread)
            threads.emplace_back([&console, thread] {
                for (int index = 0; index < 50; ++index)
                    console.printLog({"thread " + std::to_string(thread), "item " + std::to_string(index)}, "run()");
            });
        for (auto& thread : threads)
            thread.join();
    });
    EXPECT_EQ(file(m_path), out);
    auto got = lines(out);
    ASSERT_EQ(got.size(), 200u * 4);
    for (size_t index = 0; index < got.size(); index += 4) {
        EXPECT_TRUE(std::regex_match(got[index], kHeader)) << got[index];
        EXPECT_EQ(got[index + 1].substr(0, 7), "thread ");
        EXPECT_EQ(got[index + 2].substr(0, 5), "item ");
    }
}

// The settings app and the menu-bar app write one log. A copy of
// console_writer stands for each; the test starts them and lets them log.
class Writer {
public:
    Writer(const std::string& path, const std::string& name, int count, int padding, const char* mode)
    {
        int turn[2] = {-1, -1};
        int answer[2] = {-1, -1};
        if (::pipe2(turn, O_CLOEXEC) != 0 || ::pipe2(answer, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, turn[0], STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, answer[1], 3);
        // Each entry goes to standard output as well; not the test's.
        ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> arguments{CONSOLE_WRITER, path, name, std::to_string(count), std::to_string(padding), mode};
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, CONSOLE_WRITER, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(turn[0]);
        ::close(answer[1]);
        m_turn = turn[1];
        m_answer = answer[0];
    }
    ~Writer() { finish(); }

    // "turns": one entry, whole in the file once this returns. "together": the start.
    bool go()
    {
        char token = 'g';
        return ::write(m_turn, &token, 1) == 1;
    }
    bool takeTurn()
    {
        char token = 0;
        return go() && ::read(m_answer, &token, 1) == 1;
    }
    // Whether it logged everything and ended well.
    bool finish()
    {
        if (m_pid < 0)
            return false;
        ::close(m_turn);
        ::close(m_answer);
        int status = 0;
        bool ended = ::waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t m_pid = -1;
    int m_turn = -1;
    int m_answer = -1;
};

// The entries of a log the writers wrote: (name, index) each, after a possible
// notice; `whole` says whether every entry was a header, its name line and its
// padding line, and nothing else was there.
struct WriterEntries {
    std::vector<std::pair<std::string, int>> entries;
    bool whole = true;
    bool trimmed = false;
};

WriterEntries writerEntries(const std::string& text, size_t padding)
{
    static const std::regex header(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} in console_writer\.cpp main\(\) \[Line \d+\]:)");
    static const std::regex nameLine(R"((A|B) (\d+))");
    WriterEntries found;
    auto got = lines(text);
    size_t at = 0;
    if (!got.empty() && got[0].starts_with("Older entries were dropped here")) {
        found.trimmed = true;
        at = 2;
    } else if (!got.empty() && got[0].empty()) {
        // The first writer's entry came after the cleared file's text: none.
        at = 1;
    }
    const size_t size = padding > 0 ? 4 : 3;
    // Each entry ends with its item lines' line feeds and one more that
    // separates it from the next (the file's last line feed, for the last).
    for (; at < got.size(); at += size) {
        std::smatch name;
        bool ok = at + size <= got.size() && std::regex_match(got[at], header)
            && std::regex_match(got[at + 1], name, nameLine) && got[at + size - 1].empty()
            && (padding == 0 || got[at + 2] == std::string(padding, 'x'));
        if (!ok) {
            found.whole = false;
            return found;
        }
        found.entries.emplace_back(name[1], std::stoi(name[2]));
    }
    found.whole = !found.entries.empty();
    return found;
}

// One writer's indexes, in the order the file has them.
std::vector<int> indexesOf(const WriterEntries& found, const std::string& name)
{
    std::vector<int> indexes;
    for (const auto& [writer, index] : found.entries) {
        if (writer == name)
            indexes.push_back(index);
    }
    return indexes;
}

std::vector<int> range(int first, int end)
{
    std::vector<int> numbers;
    for (int number = first; number < end; ++number)
        numbers.push_back(number);
    return numbers;
}

TEST_F(ConsoleTest, TwoProgramsTakingTurnsKeepEachOthersEntries)
{
    Console(m_path).clear();
    Writer a(m_path, "A", 200, 0, "turns");
    Writer b(m_path, "B", 200, 0, "turns");
    for (int index = 0; index < 200; ++index) {
        ASSERT_TRUE(a.takeTurn()) << index;
        ASSERT_TRUE(b.takeTurn()) << index;
    }
    ASSERT_TRUE(a.finish());
    ASSERT_TRUE(b.finish());

    WriterEntries found = writerEntries(file(m_path), 0);
    EXPECT_TRUE(found.whole) << file(m_path).substr(0, 2000);
    EXPECT_FALSE(found.trimmed);
    EXPECT_EQ(found.entries.size(), 400u);
    EXPECT_EQ(indexesOf(found, "A"), range(0, 200));
    EXPECT_EQ(indexesOf(found, "B"), range(0, 200));
    EXPECT_EQ(found.entries.size() > 1 ? found.entries[1].first : "", "B") << "in the order they were written";
}

TEST_F(ConsoleTest, PastTheBudgetTheOldestEntriesGoWhoeverWroteThem)
{
    // 2 x 1,500 entries of about 1 KiB, taking turns: the budget is spent
    // three times over.
    constexpr int count = 1500;
    constexpr int padding = 1000;
    Console(m_path).clear();
    Writer a(m_path, "A", count, padding, "turns");
    Writer b(m_path, "B", count, padding, "turns");
    for (int index = 0; index < count; ++index) {
        ASSERT_TRUE(a.takeTurn()) << index;
        ASSERT_TRUE(b.takeTurn()) << index;
    }
    ASSERT_TRUE(a.finish());
    ASSERT_TRUE(b.finish());

    const std::string text = file(m_path);
    EXPECT_LE(text.size(), Console::defaultBudget);
    WriterEntries found = writerEntries(text, padding);
    EXPECT_TRUE(found.whole) << text.substr(0, 3000);
    EXPECT_TRUE(found.trimmed);
    // Each program keeps its newest entries, in order, none missing in between.
    std::vector<int> keptA = indexesOf(found, "A");
    std::vector<int> keptB = indexesOf(found, "B");
    ASSERT_GT(keptA.size(), 100u);
    ASSERT_GT(keptB.size(), 100u);
    EXPECT_EQ(keptA, range(keptA.front(), count));
    EXPECT_EQ(keptB, range(keptB.front(), count));
    EXPECT_LE(std::abs(keptA.front() - keptB.front()), 1) << "the oldest of both went alike";
}

TEST_F(ConsoleTest, TwoProgramsLoggingAtOnceLoseNoEntryToEachOthersTrims)
{
    constexpr int count = 1500;
    constexpr int padding = 1000;
    Console(m_path).clear();
    Writer a(m_path, "A", count, padding, "together");
    Writer b(m_path, "B", count, padding, "together");
    ASSERT_TRUE(a.go());
    ASSERT_TRUE(b.go());
    ASSERT_TRUE(a.finish());
    ASSERT_TRUE(b.finish());

    const std::string text = file(m_path);
    EXPECT_LE(text.size(), Console::defaultBudget);
    WriterEntries found = writerEntries(text, padding);
    EXPECT_TRUE(found.whole) << "no entry cut or mixed with another";
    EXPECT_GT(found.entries.size(), 100u);
    // However the two ran, what a trim removed is a program's oldest: no
    // entry appended while another program rewrote the file is missing.
    for (const char* name : {"A", "B"}) {
        std::vector<int> kept = indexesOf(found, name);
        if (!kept.empty()) {
            EXPECT_EQ(kept, range(kept.front(), count)) << name;
        }
    }
}

}  // namespace
