#include <signal.h>
#include <sys/wait.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Shared/SharedData.h"
#include "support/AgentFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

constexpr const char* kMenuApp =
    PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu";
constexpr const char* kMenuLog = "/Users/tamsel/Parvex.txt";
constexpr const char* kRequest = "top.kestrova.macOS.Parvex.Helper.do";
constexpr const char* kPassword = "s3cret pass";

// The real ParvexMenu with the disk-tool doubles first on its PATH, a home
// folder of its own (its settings and desktop) and the real agent on the bus.
class MenuAppTest : public AgentFixture {
protected:
    void SetUp() override
    {
        AgentFixture::SetUp();
        if (IsSkipped())
            return;
        char pattern[] = "/tmp/parvex-menu.XXXXXX";
        m_root = ::mkdtemp(pattern);
        m_state = m_root + "/state";
        m_home = m_root + "/home";
        FileManager::createDirectory(m_state + "/info", true);
        FileManager::createDirectory(m_home + "/Desktop", true);
        m_saved = {getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin", getenv("HOME") ? getenv("HOME") : "/root"};
        ::setenv("PATH", (std::string(PARVEX_SOURCE_DIR) + "/tests/doubles/bin:" + m_saved[0]).c_str(), 1);
        ::setenv("HOME", m_home.c_str(), 1);
        ::setenv("PARVEX_DOUBLES", m_state.c_str(), 1);
        m_settings = std::make_unique<SharedData>(std::make_shared<UserDefaults>(
            std::string(SharedData::suiteName),
            m_home + "/Library/Preferences/top.kestrova.macOS.Parvex.Shared.plist"));
        m_settings->setPwd(kPassword);
        m_settings->setManagerStyle(false);
        FileManager::writeAtomically(m_state + "/password", kPassword);
    }

    void TearDown() override
    {
        if (m_menu)
            m_menu->stop(SIGKILL);
        if (!m_root.empty()) {
            ::setenv("PATH", m_saved[0].c_str(), 1);
            ::setenv("HOME", m_saved[1].c_str(), 1);
            std::error_code ignored;
            std::filesystem::remove_all(m_root, ignored);
        }
        AgentFixture::TearDown();
    }

    // NTFS volumes on one disk, as (identifier, name), all mounted by the system.
    void plug(const std::vector<std::pair<std::string, std::string>>& volumes)
    {
        std::string list = "/dev/disk4 (external, physical):\n"
                           "   #:                       TYPE NAME                    SIZE       IDENTIFIER\n"
                           "   0:     FDisk_partition_scheme                        *1.0 GB     disk4\n";
        std::string df = "Filesystem     Size   Used  Avail Capacity  Mounted on\n";
        for (const auto& [identifier, name] : volumes) {
            list += "   1:               Windows_NTFS " + name + "                    500 MB     " + identifier + "\n";
            FileManager::writeAtomically(m_state + "/info/" + identifier,
                "   Device Identifier:         " + identifier + "\n"
                "   Volume Name:               " + name + "\n"
                "   Mounted:                   Yes\n"
                "   File System Personality:   NTFS\n");
            df += "/dev/" + identifier + "   500M   1M   499M     1%    " + m_home + "/Desktop/" + name + "\n";
        }
        FileManager::writeAtomically(m_state + "/list", list + "\n");
        FileManager::writeAtomically(m_state + "/df", df);
    }

    void startMenuApp()
    {
        FileManager::writeAtomically(kMenuLog, "an entry of the last run\n");
        m_menu = std::make_unique<ChildProcess>(std::vector<std::string>{kMenuApp}, m_root + "/ParvexMenu.output");
        ASSERT_GT(m_menu->pid(), 0);
    }

    // SIGTERM, as another program asks it to quit; its wait status.
    int quitMenuApp()
    {
        int status = m_menu->stop(SIGTERM);
        m_menu.reset();
        return status;
    }

    // The doubles' calls as "tool arg ...", without what sudo read.
    std::vector<std::string> calls() const
    {
        std::vector<std::string> out;
        std::string text = readFile(m_state + "/calls");
        size_t start = 0;
        for (size_t end; (end = text.find('\x1e', start)) != std::string::npos; start = end + 1) {
            std::string line;
            std::string record = text.substr(start, end - start);
            for (size_t field = 0, stop; (stop = record.find('\0', field)) != std::string::npos; field = stop + 1) {
                std::string value = record.substr(field, stop - field);
                if (value.rfind("leaked:", 0) == 0 || value.rfind("stdin:", 0) == 0)
                    continue;
                line += (line.empty() ? "" : " ") + value;
            }
            out.push_back(line);
        }
        return out;
    }

    size_t count(const std::string& call) const
    {
        auto all = calls();
        return static_cast<size_t>(std::count(all.begin(), all.end(), call));
    }

    bool waitFor(const std::function<bool()>& done, double seconds = 60)
    {
        return RunLoop::main().runUntil(done, seconds);
    }

    // What sudo read on its standard input, for every call.
    std::vector<std::string> sudoInputs() const
    {
        std::vector<std::string> out;
        std::string text = readFile(m_state + "/calls");
        for (size_t at = 0; (at = text.find("stdin:", at)) != std::string::npos; at += 6)
            out.push_back(text.substr(at + 6, text.find('\0', at) - at - 6));
        return out;
    }

    std::string m_root;
    std::string m_state;
    std::string m_home;
    std::vector<std::string> m_saved;
    std::unique_ptr<SharedData> m_settings;
    std::unique_ptr<ChildProcess> m_menu;
};

// Only the calls the quit made: the scan's own listing calls are left out.
std::vector<std::string> withoutScans(std::vector<std::string> calls)
{
    calls.erase(std::remove_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call == "diskutil list" || call == "df -h" || call.rfind("diskutil info ", 0) == 0;
    }), calls.end());
    return calls;
}

}  // namespace

TEST_F(MenuAppTest, AutomaticModeMountsScansOnAndUnmountsEverythingOnQuit)
{
    plug({{"disk4s1", "Data"}, {"disk4s2", "Photos"}});
    startMenuApp();
    ASSERT_TRUE(waitFor([&] { return count("mount_ntfs -o rw,nobrowse /dev/disk4s2 " + m_home + "/Desktop/Photos") == 1; }))
        << readFile(kMenuLog);
    EXPECT_THAT(readFile(kMenuLog), Not(HasSubstr("last run"))) << "the log starts empty at launch";
    EXPECT_TRUE(FileManager::fileExists(m_home + "/Desktop/Data/.volume-contents"));

    // It goes on scanning: the listing is asked for again and again.
    ASSERT_TRUE(waitFor([&] { return count("diskutil list") >= 3; }));
    EXPECT_EQ(count("mount_ntfs -o rw,nobrowse /dev/disk4s1 " + m_home + "/Desktop/Data"), 1u)
        << "a volume is mounted once while it stays";

    const size_t before = calls().size();
    int status = quitMenuApp();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    auto quit = calls();
    quit.erase(quit.begin(), quit.begin() + static_cast<long>(before));
    EXPECT_THAT(withoutScans(quit), ElementsAre(
        "diskutil umount disk4s1", "sudo rm -rf " + m_home + "/Desktop/Data", "diskutil mount disk4s1",
        "diskutil umount disk4s2", "sudo rm -rf " + m_home + "/Desktop/Photos", "diskutil mount disk4s2"));
    EXPECT_FALSE(FileManager::fileExists(m_home + "/Desktop/Data"));
    EXPECT_FALSE(FileManager::fileExists(m_home + "/Desktop/Photos"));
    for (const auto& input : sudoInputs())
        EXPECT_EQ(input, kPassword) << "sudo reads the stored password";
    EXPECT_THAT(readFile(m_root + "/ParvexMenu.output"), Not(HasSubstr("Sanitizer")));
}

TEST_F(MenuAppTest, QuittingInManualModeSendsOneRemovalPerMountedVolumeToTheAgent)
{
    startAgent();
    // Mounted while the app ran in automatic mode; then Photos was ejected from
    // the desktop, and the user switched to manual mode.
    plug({{"disk4s1", "Data"}, {"disk4s2", "Photos"}, {"disk4s3", "Work"}});
    startMenuApp();
    ASSERT_TRUE(waitFor([&] { return count("mount_ntfs -o rw,nobrowse /dev/disk4s3 " + m_home + "/Desktop/Work") == 1; }))
        << readFile(kMenuLog);
    std::string df = readFile(m_state + "/df");
    df.erase(df.find("/dev/disk4s2"), df.find('\n', df.find("/dev/disk4s2")) - df.find("/dev/disk4s2") + 1);
    FileManager::writeAtomically(m_state + "/df", df);
    ::unlink((m_home + "/Desktop/Photos/.volume-contents").c_str());
    ASSERT_TRUE(waitFor([&] { return count("sudo rm -rf " + m_home + "/Desktop/Photos") == 1; }));
    ASSERT_TRUE(m_settings->setManagerStyle(true));

    std::vector<std::string> requests;
    auto observer = DistributedNotificationCenter::defaultCenter().addObserver(kRequest, [&](const Notification& n) {
        requests.push_back(n.objectText() ? *n.objectText() : "<not a text>");
    });
    // The bus takes a new observer on after a while: listen before the quit.
    for (int tries = 0; tries < 100 && requests.empty(); ++tries) {
        AnswerCollector::request(std::string("probe,observer"));
        waitFor([&] { return !requests.empty(); }, 0.2);
    }
    ASSERT_FALSE(requests.empty()) << "the request observer never heard anything";
    m_answers.drain();
    requests.clear();
    const size_t before = calls().size();
    int status = quitMenuApp();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // Sent just before the process ended, and still delivered.
    EXPECT_THAT(m_answers.drain(), ElementsAre("remove,Data", "remove,Work")) << "the agent's answers";
    EXPECT_THAT(requests, ElementsAre("remove,Data", "remove,Work", ::testing::StartsWith("marker,")));
    auto quit = calls();
    quit.erase(quit.begin(), quit.begin() + static_cast<long>(before));
    EXPECT_THAT(withoutScans(quit), IsEmpty()) << "manual mode leaves the unmounting to the answers";
}
