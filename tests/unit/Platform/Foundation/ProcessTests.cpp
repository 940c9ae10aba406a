#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <sstream>
#include <thread>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Process.h"
#include "support/TemporaryFolder.h"
#include "support/ToolDoubles.h"

namespace {

// A child that must start.
ProcessResult run(const ProcessOptions& options)
{
    auto result = Process::run(options);
    EXPECT_TRUE(result) << result.error().description;
    return result.valueOr({});
}

ProcessResult shell(const std::string& script, ProcessOptions options = {})
{
    options.launchPath = "/bin/zsh";
    options.arguments = {"-c", script};
    return run(options);
}

TEST(Process, ReturnsBothStreamsRawAndTheExitStatus)
{
    auto result = shell("printf 'out\\377'; printf 'err' >&2; exit 3");
    EXPECT_EQ(result.standardOutput, "out\xff");
    EXPECT_EQ(result.standardError, "err");
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.terminationSignal, 0);

    auto killed = shell("kill -TERM $$");
    EXPECT_EQ(killed.exitStatus, -1);
    EXPECT_EQ(killed.terminationSignal, SIGTERM);

    // A full error pipe is drained while output is still open.
    auto big = shell("head -c 1048576 /dev/zero | tr '\\0' e >&2; print -r -- done; head -c 1048576 /dev/zero");
    EXPECT_EQ(big.standardError, std::string(1 << 20, 'e'));
    EXPECT_EQ(big.standardOutput, "done\n" + std::string(1 << 20, '\0'));
}

TEST(Process, UnstartableProgramSaysWhy)
{
    auto missing = Process::run({.launchPath = "/nonexistent/program"});
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().description.find("/nonexistent/program"), std::string::npos);
    EXPECT_NE(missing.error().description.find(std::strerror(ENOENT)), std::string::npos);

    TemporaryFolder folder("process");
    ::close(::open((folder / "plain").c_str(), O_WRONLY | O_CREAT, 0644));
    auto notExecutable = Process::run({.launchPath = folder / "plain"});
    ASSERT_FALSE(notExecutable);
    EXPECT_NE(notExecutable.error().description.find(std::strerror(EACCES)), std::string::npos);

    auto badFolder = Process::run({.launchPath = "/bin/true", .currentDirectory = "/nonexistent/folder"});
    ASSERT_FALSE(badFolder);
    EXPECT_NE(badFolder.error().description.find("/nonexistent/folder"), std::string::npos);
}

TEST(Process, DeliversStandardInputByteForByte)
{
    std::string awkward("back\\slash \"double\" 'single'\n\nnul\0after\r\n$HOME `x`", 45);
    EXPECT_EQ(run({.launchPath = "/bin/cat", .standardInput = awkward}).standardOutput, awkward);

    // Bigger than any pipe: only works if feeding and draining overlap.
    std::string large(3 << 20, 'x');
    for (size_t index = 0; index < large.size(); index += 4097)
        large[index] = static_cast<char>(index % 251);
    EXPECT_EQ(run({.launchPath = "/bin/cat", .standardInput = large}).standardOutput, large);

    auto ignored = run({.launchPath = "/bin/true", .standardInput = std::string(4 << 20, 'x')});
    EXPECT_EQ(ignored.exitStatus, 0) << "a child that never reads its input";

    // Without input the child shares ours.
    char ours[4096] = {};
    ASSERT_GT(::readlink("/proc/self/fd/0", ours, sizeof ours - 1), 0);
    auto shared = run({.launchPath = "/usr/bin/readlink", .arguments = {"/proc/self/fd/0"}});
    EXPECT_EQ(shared.standardOutput, std::string(ours) + "\n");
}

TEST(Process, AddsEnvironmentToWhatIsInherited)
{
    ::setenv("PARVEX_INHERITED", "kept", 1);
    ::setenv("PARVEX_REPLACED", "old", 1);
    auto result = shell("print -r -- \"$PARVEX_INHERITED|$PARVEX_ADDED|$PARVEX_REPLACED\"; env | grep -c '^PARVEX_REPLACED='",
                        {.environment = {{"PARVEX_ADDED", "a b=c"}, {"PARVEX_REPLACED", "new"}}});
    EXPECT_EQ(result.standardOutput, "kept|a b=c|new\n1\n");
    ::unsetenv("PARVEX_INHERITED");
    ::unsetenv("PARVEX_REPLACED");
}

TEST(Process, ChildGetsOnlyItsStandardStreams)
{
    // A descriptor opened without close-on-exec, as careless library code would.
    int stray = ::open("/dev/null", O_RDONLY);
    int high = ::fcntl(stray, F_DUPFD, 57);
    ASSERT_GE(high, 57);
    // ls holds one descriptor of its own (3) for the folder it lists.
    for (auto input : {std::optional<std::string>(), std::optional<std::string>("x")}) {
        for (bool outputInFiles : {false, true}) {
            auto result = run({.launchPath = "/bin/ls",
                               .arguments = {"/proc/self/fd"},
                               .standardInput = input,
                               .outputInFiles = outputInFiles});
            std::istringstream listing(result.standardOutput);
            std::string open;
            for (std::string line; std::getline(listing, line);)
                open += line + " ";
            EXPECT_EQ(open, "0 1 2 3 ") << "output in files: " << outputInFiles;
        }
    }
    ::close(stray);
    ::close(high);
}

TEST(Process, FindsANameWithoutASlashOnPath)
{
    TemporaryFolder folder("process");
    writeFile(folder / "parvex-path-probe", "#!/bin/sh\nprintf '%s' \"$0 $1\"\n", 0755);
    const std::string path = ::getenv("PATH") ? ::getenv("PATH") : "";
    ::setenv("PATH", (folder.path() + ":" + path).c_str(), 1);
    auto found = Process::run({.launchPath = "parvex-path-probe", .arguments = {"one"}});
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(found) << found.error().description;
    EXPECT_EQ(found->standardOutput, folder / "parvex-path-probe one");

    auto missing = Process::run({.launchPath = "parvex-nowhere-on-path"});
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().description.find("parvex-nowhere-on-path"), std::string::npos);
}

// The process id a script wrote to `path`, or 0.
pid_t pidIn(const std::string& path)
{
    std::string text = FileManager::contents(path).valueOr("");
    return text.empty() ? 0 : static_cast<pid_t>(std::stoi(text));
}


TEST(Process, AChildOutOfTimeEndsWithAllItStartedAndKeepsWhatItPrinted)
{
    // A script waiting on a grandchild that never ends, as a script waits on
    // a sudo that never answers; the grandchild holds the pipes too.
    TemporaryFolder folder("process");
    const std::string pidFile = folder / "grandchild";
    auto waited = shell("print -r -- started; sleep 600 & print -r -- $! > " + pidFile + "; wait",
                        {.timeLimit = std::chrono::milliseconds(300)});
    EXPECT_TRUE(waited.timedOut);
    EXPECT_EQ(waited.standardOutput, "started\n");
    EXPECT_EQ(waited.terminationSignal, SIGKILL);
    EXPECT_FALSE(isRunningProcess(pidIn(pidFile))) << "the whole group is ended";

    // Within its limit nothing changes.
    auto quick = shell("exit 4", {.timeLimit = std::chrono::seconds(30)});
    EXPECT_FALSE(quick.timedOut);
    EXPECT_EQ(quick.exitStatus, 4);

    // A descendant that left the group keeps the pipes open: not waited for.
    auto escaped = shell("setsid sleep 600 & print -r -- $! > " + pidFile + "; wait",
                         {.timeLimit = std::chrono::milliseconds(300)});
    EXPECT_TRUE(escaped.timedOut) << "returned although a pipe is still held";
    ASSERT_TRUE(isRunningProcess(pidIn(pidFile)));
    ::kill(pidIn(pidFile), SIGKILL);
}

TEST(Process, OutputInFilesEndsWithTheChildWhateverItLeftBehind)
{
    // A daemon left holding both output streams, as ntfs-3g leaves one:
    // with pipes this would wait for the daemon.
    TemporaryFolder folder("process");
    const std::string pidFile = folder / "daemon";
    auto left = shell("print -r -- out; print -r -- err >&2; sleep 600 & print -r -- $! > " + pidFile + "; exit 5",
                      {.outputInFiles = true});
    EXPECT_EQ(left.standardOutput, "out\n");
    EXPECT_EQ(left.standardError, "err\n");
    EXPECT_EQ(left.exitStatus, 5);
    EXPECT_FALSE(left.timedOut);
    ASSERT_TRUE(isRunningProcess(pidIn(pidFile)));
    ::kill(pidIn(pidFile), SIGKILL);

    // More than a pipe holds, on both streams and with input fed alongside.
    std::string large(3 << 20, 'x');
    auto copied = shell("cat; head -c 1048576 /dev/zero | tr '\\0' e >&2",
                        {.standardInput = large, .outputInFiles = true});
    EXPECT_EQ(copied.standardOutput, large);
    EXPECT_EQ(copied.standardError, std::string(1 << 20, 'e'));

    // A time limit still ends the whole group, keeping what it wrote.
    auto waited = shell("print -r -- started; sleep 600 & print -r -- $! > " + pidFile + "; wait",
                        {.timeLimit = std::chrono::milliseconds(300), .outputInFiles = true});
    EXPECT_TRUE(waited.timedOut);
    EXPECT_EQ(waited.standardOutput, "started\n");
    EXPECT_EQ(waited.terminationSignal, SIGKILL);
    EXPECT_FALSE(isRunningProcess(pidIn(pidFile)));
}

TEST(Process, ACutoffBroughtForwardEndsAChildThatIsRunning)
{
    auto cutoff = std::make_shared<ProcessDeadline>();
    std::thread quit([cutoff] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cutoff->bringForward(ProcessDeadline::Clock::now());
    });
    auto result = shell("sleep 600", {.timeLimit = std::chrono::seconds(600), .cutoff = cutoff});
    quit.join();
    EXPECT_TRUE(result.timedOut);
    EXPECT_TRUE(cutoff->hasPassed());

    // A cutoff only ever comes sooner, and one already passed ends the next child at once.
    cutoff->bringForward(ProcessDeadline::Clock::time_point::max());
    EXPECT_TRUE(cutoff->hasPassed());
    EXPECT_TRUE(shell("sleep 600", {.cutoff = cutoff}).timedOut);
}

}  // namespace
