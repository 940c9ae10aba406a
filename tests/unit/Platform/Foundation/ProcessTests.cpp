#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

#include "Platform/Foundation/Process.h"
#include "support/TemporaryFolder.h"

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
        auto result = run({.launchPath = "/bin/ls", .arguments = {"/proc/self/fd"}, .standardInput = input});
        std::istringstream listing(result.standardOutput);
        std::string open;
        for (std::string line; std::getline(listing, line);)
            open += line + " ";
        EXPECT_EQ(open, "0 1 2 3 ");
    }
    ::close(stray);
    ::close(high);
}

}  // namespace
