#include <gmock/gmock.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "Helper/Script.h"

using Arguments = std::vector<std::string>;
using ::testing::AllOf;
using ::testing::HasSubstr;

TEST(Script, OnlyTheShellGetsOneJoinedScriptOthersTheListUnchanged)
{
    EXPECT_EQ(Script::childArguments("/bin/zsh", {"print", "a b"}), (Arguments{"-c", "print a b"}));
    EXPECT_EQ(Script::childArguments("/bin/zsh", {}), (Arguments{"-c", ""}));
    // Only that exact path is the shell.
    EXPECT_EQ(Script::childArguments("/usr/bin/zsh", {"a b", "c"}), (Arguments{"a b", "c"}));
    EXPECT_EQ(Script::childArguments("/bin/zsh/", {"x"}), (Arguments{"x"}));
    EXPECT_EQ(Script::run("/bin/zsh", std::nullopt, {"print -rl --", "a b"}).result, "a\nb\n");
    EXPECT_EQ(Script::run("/usr/bin/printf", std::nullopt, {"[%s]", "a b", "c"}).result, "[a b][c]");
}

TEST(Script, EachStreamIsDecodedOnItsOwn)
{
    auto badOutput = Script::run("/bin/zsh", std::nullopt, {"printf 'ok\\377'; printf 'caf\\303\\251' >&2"});
    EXPECT_EQ(badOutput.result, "");
    EXPECT_EQ(badOutput.error, "café");

    auto badError = Script::run("/bin/zsh", std::nullopt, {"printf '盘符'; printf '\\300\\200' >&2"});
    EXPECT_EQ(badError.result, "盘符");
    EXPECT_EQ(badError.error, "");
}

TEST(Script, RunsInTheGivenFolderAndSaysWhyAProgramCannotStart)
{
    auto folder = std::filesystem::canonical(std::filesystem::temp_directory_path()).string();
    EXPECT_EQ(Script::run("/bin/zsh", folder, {"pwd"}).result, folder + "\n");
    auto run = Script::run("/nonexistent/zsh", std::nullopt, {"true"});
    EXPECT_EQ(run.result, "");
    EXPECT_THAT(run.error, AllOf(HasSubstr("/nonexistent/zsh"), HasSubstr(std::strerror(ENOENT))));
}

TEST(Script, ConcurrentRunsStayApart)
{
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int worker = 0; worker < 4; ++worker) {
        threads.emplace_back([worker, &mismatches] {
            for (int round = 0; round < 10; ++round) {
                auto tag = std::to_string(worker) + ":" + std::to_string(round);
                auto run = Script::run("/bin/zsh", std::nullopt, {"print -r -- " + tag + "; print -r -- " + tag + " >&2"});
                if (run.result != tag + "\n" || run.error != tag + "\n")
                    ++mismatches[worker];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}
