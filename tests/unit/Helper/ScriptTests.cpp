#include <gmock/gmock.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include "Helper/Script.h"
#include "Platform/Foundation/FileManager.h"
#include "support/TemporaryFolder.h"

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

TEST(Script, OpenHandsTheFolderOverAndReturnsWhileTheFileBrowserRuns)
{
    TemporaryFolder folder("open");
    // A file browser that stays until the user closes it, on open's output.
    folder.write("bin/xdg-open", "#!/bin/sh\necho \"$1\" > " + folder / "shown" + "\necho $$ > " + folder / "browser.pid"
                                     + "\nexec sleep 600\n", 0755);
    // The browser outlives open; it comes back to this test to be reaped.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::string script = "PATH=" + folder / "bin" + ":$PATH DISPLAY=:99 " PARVEX_BINARY_DIR "/Tools/bin/open "
        + folder.path();
    auto run = std::async(std::launch::async, [&] { return Script::run("/bin/zsh", std::nullopt, {script}); });
    const bool returned = run.wait_for(std::chrono::seconds(30)) == std::future_status::ready;

    pid_t browser = 0;
    for (int tries = 0; tries < 1000 && !browser; ++tries) {
        browser = std::atoi(FileManager::contents(folder / "browser.pid").valueOr("0").c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(browser, 0) << "the file browser never started";
    const bool browserRuns = ::kill(browser, 0) == 0;
    ::kill(browser, SIGKILL);
    ::waitpid(browser, nullptr, 0);
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_TRUE(returned) << "Script.run of open waited for the file browser";
    EXPECT_TRUE(browserRuns);
    EXPECT_EQ(run.get().error, "");
    EXPECT_EQ(*FileManager::contents(folder / "shown"), folder.path() + "\n");
}
