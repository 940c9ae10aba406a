#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "App/HelperApp.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "Platform/Foundation/DetachedProcess.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/ServiceManagement/ExecutableProcesses.h"
#include "Shared/SharedData.h"
#include "support/AnswerCollector.h"
#include "support/ChildProcess.h"
#include "support/SandboxUser.h"
#include "support/TemporaryFolder.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr const char* kLabel = "top.kestrova.macOS.Parvex.Agent";
constexpr const char* kBuiltApp = PARVEX_BINARY_DIR "/Parvex.app";
constexpr const char* kInstalledAgent = "/Library/PrivilegedHelperTools/top.kestrova.macOS.Parvex.Agent";
constexpr const char* kInstalledList = "/Library/LaunchDaemons/top.kestrova.macOS.Parvex.Agent.plist";
constexpr const char* kHome = "/Users/tamsel";
constexpr const char* kAppLog = "/Users/tamsel/Parvex.txt";
constexpr const char* kAgentLog = "/tmp/ntfs_cmd.txt";

void copyExecutable(const std::string& from, const std::string& to)
{
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    ::chmod(to.c_str(), 0755);
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::getenv("PARVEX_SANDBOX") == nullptr)
            GTEST_SKIP() << "runs only inside scripts/sandbox";
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root);
        ::unlink(kAppLog);
        // Whatever reads the user's home (the login hook) reads the sandbox's.
        ::setenv("HOME", kHome, 1);
    }

    void TearDown() override
    {
        if (::getenv("PARVEX_SANDBOX") == nullptr)
            return;
        ExecutableProcesses::stop(kInstalledAgent);
        for (const auto& app : m_apps)
            ExecutableProcesses::stop(menuExecutable(app));
        std::filesystem::remove_all(m_root);
        std::filesystem::remove_all("/Library/PrivilegedHelperTools");
        std::filesystem::remove_all("/Library/LaunchDaemons");
        std::filesystem::remove_all("/Library/LaunchAgents");
    }

    // A Parvex.app assembled from the build's parts: the installer code as its
    // executable, the built agent, the built login-item template and a stand-in
    // ParvexMenu.
    std::string makeApp(const std::string& name, const std::string& identifier, bool namesAgent = true)
    {
        std::string app = m_root + "/" + name + "/Parvex.app";
        std::string privileged = namesAgent ? "<key>SMPrivilegedExecutables</key><dict><key>" + std::string(kLabel)
                + "</key><string>identifier \"" + kLabel + "\" and anchor apple generic</string></dict>"
                                            : "";
        writePlist(app + "/Contents/Info.plist", "<key>CFBundleIdentifier</key><string>" + identifier
                       + "</string><key>CFBundleExecutable</key><string>Parvex</string>" + privileged);
        copyExecutable(INSTALL_DRIVER, app + "/Contents/MacOS/Parvex");
        copyExecutable(std::string(kBuiltApp) + "/Contents/Library/LaunchServices/" + kLabel,
                       app + "/Contents/Library/LaunchServices/" + kLabel);
        std::filesystem::create_directories(app + "/Contents/Resources");
        std::filesystem::copy_file(std::string(kBuiltApp) + "/Contents/Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist",
                                   app + "/Contents/Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist");
        std::string menu = app + "/Contents/Library/LoginItems/ParvexMenu.app";
        writePlist(menu + "/Contents/Info.plist",
                   "<key>CFBundleIdentifier</key><string>top.kestrova.macOS.Parvex.Helper</string>"
                   "<key>CFBundleExecutable</key><string>ParvexMenu</string>");
        copyExecutable(INSTALL_STANDIN, menuExecutable(app));
        m_apps.push_back(app);
        return app;
    }

    static std::string menuExecutable(const std::string& app)
    {
        return app + "/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu";
    }

    static void writePlist(const std::string& path, const std::string& entries)
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        writeFile(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                               + entries + "</dict></plist>\n");
    }

    // The plug-in button, clicked in the app at `app`.
    static int bless(const std::string& app) { return runCommand({app + "/Contents/MacOS/Parvex"}); }

    // Pings the agent over the sandbox's bus; returns the answers to it.
    std::vector<std::string> ping(const std::string& request)
    {
        AnswerCollector::request(request);
        return m_answers.drain();
    }

    // Blesses `app` and waits for the installed agent to start; its process.
    ProcessEntry blessAndWait(const std::string& app)
    {
        ::unlink(kAgentLog);
        EXPECT_EQ(bless(app), 0) << readFile(kAppLog);
        EXPECT_TRUE(waitForFileContaining(kAgentLog, "Running...", 20)) << "the blessed agent did not start";
        auto agents = ExecutableProcesses::find(kInstalledAgent);
        EXPECT_EQ(agents.size(), 1u);
        return agents.empty() ? ProcessEntry{} : agents[0];
    }

    std::string m_root = "/tmp/install-e2e";
    std::vector<std::string> m_apps;
    AnswerCollector m_answers;
};

// The settings app's login-item handle on the stand-in inside `app`. The
// workspace is narrowed to this bundle: other tests may run a real ParvexMenu
// with the same identifier meanwhile.
class LoginItemE2E : public Install {
protected:
    std::unique_ptr<HelperApp> helperFor(const std::string& app)
    {
        m_settings = std::make_shared<SharedData>(
            std::make_shared<UserDefaults>(std::string(SharedData::suiteName), m_root + "/settings.plist"));
        std::string bundle = app + "/Contents/Library/LoginItems/ParvexMenu.app";
        auto running = [bundle] {
            std::vector<std::shared_ptr<NSRunningApplication>> mine;
            for (auto& application : NSWorkspace::shared().runningApplications()) {
                if (application->bundleURL() == bundle)
                    mine.push_back(application);
            }
            return mine;
        };
        HelperApp::Context context;
        context.bundlePath = [app] { return app; };
        context.resourcesPath = [app] { return app + "/Contents/Resources"; };
        context.userLaunchAgentsPath = std::string(kHome) + "/Library/LaunchAgents/";
        context.sharedData = m_settings.get();
        context.runningApplications = running;
        context.launchApplication = [running](const std::string& path) {
            if (running().empty()) {
                EXPECT_TRUE(DetachedProcess::spawn(*NSBundle(path).executablePath()));
            }
        };
        return std::make_unique<HelperApp>(context);
    }

    std::shared_ptr<SharedData> m_settings;
};

}  // namespace

TEST_F(Install, BlessingStartsTheAgentFromPrivilegedHelperToolsAndASecondOneReplacesIt)
{
    std::string app = makeApp("good", "top.kestrova.macOS.Parvex");
    ProcessEntry first = blessAndWait(app);
    struct stat info {};
    ASSERT_EQ(::stat(kInstalledAgent, &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    auto list = PropertyListSerialization::propertyList(readFile(kInstalledList));
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, PropertyListValue(PropertyListValue::Dictionary{
                         {"Label", kLabel}, {"RunAtLoad", true}, {"Program", kInstalledAgent}}));
    EXPECT_EQ(first.uid, 0u);
    EXPECT_THAT(ping("ping,first"), ElementsAre("ping,first"));

    ProcessEntry second = blessAndWait(app);
    EXPECT_TRUE(ExecutableProcesses::hasEnded(first)) << "the earlier agent was stopped";
    EXPECT_NE(second.pid, first.pid);
    EXPECT_THAT(ping("ping,second"), ElementsAre("ping,second")) << "exactly one agent answers";
    EXPECT_EQ(occurrences(readFile(kAppLog), "SMJobBless Success"), 2u);
}

TEST_F(Install, BundlesWhoseIdentifiersDoNotMatchAreRefusedWithTheReasonLogged)
{
    ASSERT_EQ(bless(makeApp("stranger", "top.kestrova.macOS.Stranger")), 1);
    ASSERT_EQ(bless(makeApp("silent", "top.kestrova.macOS.Parvex", false)), 1);

    std::string log = readFile(kAppLog);
    EXPECT_THAT(log, HasSubstr("SMJobBless Failed, error : the helper tool's SMAuthorizedClients does not name the "
                               "app's identifier \"top.kestrova.macOS.Stranger\"!\n"));
    EXPECT_THAT(log, HasSubstr("SMJobBless Failed, error : the app's Info.plist does not name "
                               "top.kestrova.macOS.Parvex.Agent under SMPrivilegedExecutables!\n"));
    EXPECT_THAT(log, Not(HasSubstr("SMJobBless Success")));
    EXPECT_FALSE(FileManager::fileExists(kInstalledAgent));
    EXPECT_FALSE(FileManager::fileExists(kInstalledList));
    EXPECT_TRUE(ExecutableProcesses::find(kInstalledAgent).empty());
}

TEST_F(LoginItemE2E, TheLoginHookStartsTheMenuAppOnlyWhileTheItemIsEnabled)
{
    std::string app = makeApp("login", "top.kestrova.macOS.Parvex");
    std::filesystem::create_directories("/Library/LaunchAgents");
    auto helper = helperFor(app);
    helper->setLoginItemEnabled(true);
    ASSERT_TRUE(FileManager::fileExists("/Library/LaunchAgents/Auto.top.kestrova.macOS.Parvex.Helper.plist"));

    ASSERT_EQ(runCommand({LOGIN_HOOK}), 0);
    auto started = ExecutableProcesses::find(menuExecutable(app));
    ASSERT_EQ(started.size(), 1u);
    // Another session login of the same user starts no second instance.
    ASSERT_EQ(runCommand({LOGIN_HOOK}), 0);
    EXPECT_EQ(ExecutableProcesses::find(menuExecutable(app)).size(), 1u);
    ExecutableProcesses::stop(menuExecutable(app));

    helper->setLoginItemEnabled(false);
    EXPECT_FALSE(m_settings->loginItemIsEnabled());
    ASSERT_EQ(runCommand({LOGIN_HOOK}), 0);
    EXPECT_TRUE(ExecutableProcesses::find(menuExecutable(app)).empty());
}

TEST_F(LoginItemE2E, AUserWhoMayNotWriteTheSystemFolderGetsALoginItemOfTheirOwn)
{
    ASSERT_EQ(SandboxUser::create(kHome), "");
    ASSERT_TRUE(SandboxUser::own(kHome));
    std::string app = makeApp("user", "top.kestrova.macOS.Parvex");
    std::filesystem::create_directories("/Library/LaunchAgents");
    auto asUser = [](const std::vector<std::string>& arguments) {
        return runCommand(SandboxUser::command(arguments, kHome));
    };
    const std::string mine = std::string(kHome) + "/Library/LaunchAgents/Auto.top.kestrova.macOS.Parvex.Helper.plist";

    // The check box in the settings app, and the next login's hook, as the user.
    ASSERT_EQ(asUser({app + "/Contents/MacOS/Parvex", "login-item", "on"}), 0);
    EXPECT_TRUE(std::filesystem::is_empty("/Library/LaunchAgents")) << "only administrators write there";
    EXPECT_THAT(readFile(kAppLog), HasSubstr("login item: " + mine));
    const std::string suite(SharedData::suiteName);
    SharedData settings(std::make_shared<UserDefaults>(suite, std::string(kHome) + "/Library/Preferences/" + suite + ".plist"));
    EXPECT_TRUE(settings.loginItemIsEnabled());
    ASSERT_EQ(asUser({LOGIN_HOOK}), 0);
    EXPECT_EQ(ExecutableProcesses::find(menuExecutable(app), SandboxUser::uid()).size(), 1u) << "ParvexMenu runs";
    ExecutableProcesses::stop(menuExecutable(app));

    ASSERT_EQ(asUser({app + "/Contents/MacOS/Parvex", "login-item", "off"}), 0);
    EXPECT_FALSE(FileManager::fileExists(mine));
    EXPECT_FALSE(settings.loginItemIsEnabled());
    ASSERT_EQ(asUser({LOGIN_HOOK}), 0);
    EXPECT_TRUE(ExecutableProcesses::find(menuExecutable(app)).empty()) << "switched off, it does not start";
}

TEST_F(LoginItemE2E, RelaunchLeavesExactlyOneNewInstance)
{
    std::string app = makeApp("relaunch", "top.kestrova.macOS.Parvex");
    auto helper = helperFor(app);
    helper->launchIfNotRunning();
    auto old = ExecutableProcesses::find(menuExecutable(app));
    ASSERT_EQ(old.size(), 1u);

    helper->relaunch();
    // The new instance is launched from the run loop once the old one has quit.
    EXPECT_TRUE(RunLoop::main().runUntil([&] {
        auto now = ExecutableProcesses::find(menuExecutable(app));
        return now.size() == 1 && now[0].pid != old[0].pid;
    }, 30));
    EXPECT_TRUE(ExecutableProcesses::hasEnded(old[0]));
    auto now = ExecutableProcesses::find(menuExecutable(app));
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0].pid, old[0].pid);
}
