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

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

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
        ::setenv("PATH", (std::string(PARVEX_SOURCE_DIR) + "/tests/doubles/bin:" + m_path).c_str(), 1);
        ::setenv("HOME", m_home.c_str(), 1);
        ::setenv("PARVEX_DOUBLES", m_state.c_str(), 1);
        m_settings = std::make_unique<SharedData>(std::make_shared<UserDefaults>(
            std::string(SharedData::suiteName), m_home + "/Library/Preferences/top.kestrova.macOS.Parvex.Shared.plist"));
        m_settings->setPwd(kPassword);
        m_settings->setManagerStyle(false);
        FileManager::writeAtomically(m_state + "/password", kPassword);
    }

    void TearDown() override
    {
        m_menu.reset();
        ::setenv("PATH", m_path.c_str(), 1);
        ::setenv("HOME", m_oldHome.c_str(), 1);
        if (!m_root.empty())
            std::filesystem::remove_all(m_root);
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
                "   Device Identifier:         " + identifier + "\n   Volume Name:               " + name
                    + "\n   Mounted:                   Yes\n   File System Personality:   NTFS\n");
            df += "/dev/" + identifier + "   500M   1M   499M     1%    " + m_home + "/Desktop/" + name + "\n";
        }
        FileManager::writeAtomically(m_state + "/list", list + "\n");
        FileManager::writeAtomically(m_state + "/df", df);
    }

    void startMenuApp()
    {
        FileManager::writeAtomically(kMenuLog, "an entry of the last run\n");
        m_menu = std::make_unique<ChildProcess>(std::vector<std::string>{kMenuAppPath}, m_root + "/ParvexMenu.output");
        ASSERT_GT(m_menu->pid(), 0);
    }

    // Quits it as another program asks it to; what it called meanwhile, less its scans.
    std::vector<std::string> quitMenuApp()
    {
        const size_t before = calls().size();
        int status = m_menu->quit();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        auto quit = calls();
        quit.erase(quit.begin(), quit.begin() + static_cast<long>(before));
        std::erase_if(quit, [](const std::string& call) {
            return call == "diskutil list" || call == "df -h" || call.rfind("diskutil info ", 0) == 0;
        });
        return quit;
    }

    // The doubles' calls as "tool arg ...", without what sudo read; that goes to `sudoInputs`.
    std::vector<std::string> calls(std::vector<std::string>* sudoInputs = nullptr) const
    {
        std::vector<std::string> out;
        std::string text = readFile(m_state + "/calls");
        for (size_t start = 0, end; (end = text.find('\x1e', start)) != std::string::npos; start = end + 1) {
            std::string line;
            std::string record = text.substr(start, end - start);
            for (size_t field = 0, stop; (stop = record.find('\0', field)) != std::string::npos; field = stop + 1) {
                std::string value = record.substr(field, stop - field);
                if (value.rfind("stdin:", 0) == 0 && sudoInputs)
                    sudoInputs->push_back(value.substr(6));
                else if (value.rfind("leaked:", 0) != 0 && value.rfind("stdin:", 0) != 0)
                    line += (line.empty() ? "" : " ") + value;
            }
            out.push_back(line);
        }
        return out;
    }

    size_t count(const std::string& call) const { return std::ranges::count(calls(), call); }

    static bool waitFor(const std::function<bool()>& done, double seconds = 60)
    {
        return RunLoop::main().runUntil(done, seconds);
    }

    std::string m_path = ::getenv("PATH") ? ::getenv("PATH") : "/usr/bin:/bin";
    std::string m_oldHome = ::getenv("HOME") ? ::getenv("HOME") : "/root";
    std::string m_root;
    std::string m_state;
    std::string m_home;
    std::unique_ptr<SharedData> m_settings;
    std::unique_ptr<ChildProcess> m_menu;
};

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

    EXPECT_THAT(quitMenuApp(), ElementsAre(
        "diskutil umount disk4s1", "sudo rm -rf " + m_home + "/Desktop/Data", "diskutil mount disk4s1",
        "diskutil umount disk4s2", "sudo rm -rf " + m_home + "/Desktop/Photos", "diskutil mount disk4s2"));
    EXPECT_FALSE(FileManager::fileExists(m_home + "/Desktop/Data"));
    EXPECT_FALSE(FileManager::fileExists(m_home + "/Desktop/Photos"));
    std::vector<std::string> sudoInputs;
    calls(&sudoInputs);
    EXPECT_THAT(sudoInputs, Each(std::string(kPassword))) << "sudo reads the stored password";
    EXPECT_THAT(readFile(m_root + "/ParvexMenu.output"), Not(HasSubstr("Sanitizer")));
}

TEST_F(MenuAppTest, QuittingInManualModeSendsOneRemovalPerMountedVolumeToTheAgent)
{
    start();
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
    EXPECT_THAT(quitMenuApp(), IsEmpty()) << "manual mode leaves the unmounting to the answers";
    // Sent just before the process ended, and still delivered.
    EXPECT_THAT(m_answers.drain(), ElementsAre("remove,Data", "remove,Work")) << "the agent's answers";
    EXPECT_THAT(requests, ElementsAre("remove,Data", "remove,Work", ::testing::StartsWith("marker,")));
}
