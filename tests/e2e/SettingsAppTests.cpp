// The real Parvex program in the sandbox, headless: it brings ParvexMenu up
// about a second after it starts (once, whatever the login item says), ends
// when its window is closed, and checks its update feed.
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Headless/HeadlessWindowControl.h"
#include "support/ChildProcess.h"
#include "support/ShellCommand.h"
#include "support/TemporaryFolder.h"

using ::testing::HasSubstr;

namespace {

constexpr const char* kSettingsAppPath = PARVEX_BINARY_DIR "/Parvex.app/Contents/MacOS/Parvex";
constexpr const char* kMenuIdentifier = "top.kestrova.macOS.Parvex.Helper";

std::vector<pid_t> menuApps()
{
    std::vector<pid_t> pids;
    for (const auto& application : NSWorkspace::shared().runningApplications()) {
        if (application->bundleIdentifier() == kMenuIdentifier)
            pids.push_back(application->processIdentifier());
    }
    return pids;
}

// Parvex with a home and a control socket of its own; ParvexMenu, which it
// starts detached, on the disk-tool doubles. Whatever either leaves running
// comes back to this process (a subreaper) and is ended and reaped here.
class SettingsAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::getenv("PARVEX_SANDBOX") == nullptr)
            GTEST_SKIP() << "runs only inside scripts/sandbox";
        ASSERT_TRUE(menuApps().empty()) << "a menu-bar app runs already";
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        char pattern[] = "/tmp/parvex-settings.XXXXXX";
        m_root = ::mkdtemp(pattern);
        std::filesystem::create_directories(m_root + "/home");

        writeFile(m_root + "/state/list", "");
        writeFile(m_root + "/state/df", "Filesystem Size Used Avail Capacity Mounted on\n");
        m_socket = m_root + "/control";
        m_saved = {{"HOME", getenv("HOME")}, {"PATH", getenv("PATH")}};
        ::setenv("HOME", (m_root + "/home").c_str(), 1);
        ::setenv("PATH", (std::string(PARVEX_SOURCE_DIR) + "/tests/doubles/bin:" + getenv("PATH")).c_str(), 1);
        ::setenv("PARVEX_DOUBLES", (m_root + "/state").c_str(), 1);
        ::setenv("PARVEX_HEADLESS_CONTROL", m_socket.c_str(), 1);
    }

    void TearDown() override
    {
        m_app.reset();
        for (pid_t pid : menuApps())
            ::kill(pid, SIGTERM);
        waitUntil([] { return menuApps().empty(); }, 30);
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        for (const auto& [name, value] : m_saved)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::unsetenv("PARVEX_DOUBLES");
        ::unsetenv("PARVEX_HEADLESS_CONTROL");
        if (!m_root.empty())
            std::filesystem::remove_all(m_root);
    }

    // Starts the program and waits until its window is on screen.
    void start(const std::string& program = kSettingsAppPath)
    {
        m_app = std::make_unique<ChildProcess>(std::vector<std::string>{program}, m_root + "/Parvex.output");
        ASSERT_TRUE(waitUntil([&] { return HeadlessWindowControl::request(m_socket, "windows") == "Parvex\tkey\twindow\n"; }, 30))
            << readFile(m_root + "/Parvex.output");
    }

    // A copy of the program in a bundle whose Info.plist names `feedURL`; its executable.
    std::string bundleWithFeed(const std::string& feedURL)
    {
        std::string bundle = m_root + "/Parvex.app";
        std::filesystem::create_directories(bundle + "/Contents/MacOS");
        std::filesystem::copy_file(kSettingsAppPath, bundle + "/Contents/MacOS/Parvex");
        writeFile(bundle + "/Contents/Info.plist",
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>top.kestrova.macOS.Parvex</string>"
            "<key>CFBundleName</key><string>Parvex</string><key>CFBundleExecutable</key><string>Parvex</string>"
            "<key>CFBundleVersion</key><string>1.0</string><key>SUFeedURL</key><string>" + feedURL + "</string>"
            "</dict></plist>");
        return bundle + "/Contents/MacOS/Parvex";
    }

    // Closes its window as the user would; its exit status.
    int closeWindow()
    {
        EXPECT_EQ(HeadlessWindowControl::request(m_socket, "close"), "ok\n");
        EXPECT_TRUE(waitUntil([&] { return !m_app->isRunning(); }, 30));
        return m_app->stop(SIGKILL);
    }

    std::string m_root, m_socket;
    std::map<std::string, std::string> m_saved;
    std::unique_ptr<ChildProcess> m_app;
};

}  // namespace

TEST_F(SettingsAppTest, StartsTheMenuAppOnceAboutASecondAfterLaunchEvenWithTheLoginItemOffAndEndsWithItsWindow)
{
    auto started = std::chrono::steady_clock::now();
    start();
    ASSERT_TRUE(waitUntil([] { return !menuApps().empty(); }, 30)) << "ParvexMenu never came up";
    double after = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("ParvexMenu running %.2f s after Parvex started\n", after);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(menuApps().size(), 1u) << "one menu-bar app, started once";

    int status = closeWindow();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(menuApps().size(), 1u) << "the menu-bar app stays when the settings app ends";
}

TEST_F(SettingsAppTest, LeavesARunningMenuAppAlone)
{
    ChildProcess menu({kMenuAppPath}, m_root + "/ParvexMenu.output");
    ASSERT_TRUE(waitUntil([] { return menuApps().size() == 1; }, 30));
    start();
    // Past the start-up task's second, with room to spare.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(menuApps(), std::vector<pid_t>{menu.pid()});
    int status = closeWindow();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(SettingsAppTest, ChecksItsFileFeedAndLogsTheNewerVersion)
{
    std::string feed = m_root + "/appcast.xml";
    writeFile(feed,
        "<?xml version=\"1.0\"?><rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
        "<channel><item><title>Parvex 2.0</title><sparkle:version>2.0</sparkle:version></item>"
        "<item><title>Parvex 1.0</title><sparkle:version>1.0</sparkle:version></item></channel></rss>");
    start(bundleWithFeed("file://" + feed));
    EXPECT_TRUE(waitForFileContaining(m_root + "/Parvex.output", "A newer version of Parvex is available: 2.0", 30))
        << readFile(m_root + "/Parvex.output");
    EXPECT_THAT(readFile(m_root + "/Parvex.output"), HasSubstr("checkForUpdatesInBackground()"));
    closeWindow();
}

// A feed asked for over https is never read over plain http, wherever the
// server sends it: an https server of the test's own (its certificate trusted
// in the sandbox's copy of /etc alone) redirects to http.
TEST_F(SettingsAppTest, AnHttpsFeedThatRedirectsToHttpIsNotRead)
{
    const std::string certificate = m_root + "/server.pem", key = m_root + "/server.key";
    ASSERT_EQ(runShell("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                       "-addext subjectAltName=IP:127.0.0.1 -keyout \"$1\" -out \"$2\" 2>/dev/null "
                       "&& cat \"$2\" >> /etc/ssl/certs/ca-certificates.crt",
                       {key, certificate}).status, 0);
    ChildProcess server({"/usr/bin/python3", PARVEX_SOURCE_DIR "/tests/e2e/support/redirect_server.py", certificate, key,
                         "http://127.0.0.1:9/appcast.xml"},
                        m_root + "/server.output");
    ASSERT_TRUE(waitForFileContaining(m_root + "/server.output", "port ", 30)) << readFile(m_root + "/server.output");
    std::string port = readFile(m_root + "/server.output").substr(5);
    port = port.substr(0, port.find('\n'));

    start(bundleWithFeed("https://127.0.0.1:" + port + "/appcast.xml"));
    ASSERT_TRUE(waitForFileContaining(m_root + "/Parvex.output", "No update check", 30)) << readFile(m_root + "/Parvex.output");
    EXPECT_THAT(readFile(m_root + "/Parvex.output"), HasSubstr("Protocol \"http\" not supported"))
        << "the server was reached over https, and its redirect refused";
    EXPECT_THAT(readFile(m_root + "/server.output"), HasSubstr("redirected"));
    closeWindow();
}
