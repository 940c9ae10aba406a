#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <filesystem>
#include <set>

#include "Platform/Foundation/MountTable.h"
#include "support/AutomaticModeFixture.h"
#include "support/DiskSandbox.h"
#include "support/ProcessTree.h"
#include "support/StandIn.h"

using ::testing::HasSubstr;

namespace fs = std::filesystem;

// Whatever happens to ParvexMenu (killed, hung, quit with the volume in use,
// two volumes of one name, a user's folder where the volume's would go),
// each volume ends writable at a desktop folder of its own and shown as
// mounted, or read-only where the system mounts it: never mounted twice or
// nowhere, its files intact, nothing left on the desktop.
class Faults : public AutomaticMode {
protected:
    static constexpr const char* kTakenUnderCare = "already mounted read-write on the desktop";

    // Every mount of the volume: one, and where.
    static std::vector<std::string> mountsOf(const AttachedDisk& disk)
    {
        std::vector<std::string> targets;
        for (const auto& mount : MountTable().mountsOfNode(disk.volumeNode()).valueOr({}))
            targets.push_back(mount.target + (mount.isReadWrite() ? " rw" : " ro"));
        return targets;
    }

    // The rule, once ParvexMenu has quit: back where the system mounts it,
    // read-only, with every file, and nothing on the desktop.
    void expectGivenBack(const std::string& folder, const AttachedDisk& disk,
                         const std::vector<std::pair<std::string, std::string>>& files)
    {
        EXPECT_THAT(mountsOf(disk), ::testing::ElementsAre(volumesFolder(folder) + " ro")) << log();
        for (const auto& [name, content] : files)
            EXPECT_EQ(readFile(volumesFolder(folder) + "/" + name), content) << name;
    }

    void killMenuWithAllItStarted()
    {
        ProcessTree::killDescendants(m_menu->pid());
        m_menu->stop(SIGKILL);
    }

    void start() { startMenu(); }
};

TEST_F(Faults, KilledWhileMountedTheNextStartTakesTheVolumeUnderCare)
{
    AttachedDisk& disk = plugIn("Killed", {{"hello.txt", "from Windows\n"}});
    start();
    ASSERT_TRUE(waitForDesktopMount("Killed", disk)) << log();
    ASSERT_TRUE(write(desktopFolder("Killed") + "/before.txt", "before the kill\n"));
    m_menu->stop(SIGKILL);

    // Started again in the other mode (the settings app saves a new mode and
    // starts it): the volume is ParvexMenu's all the same.
    ASSERT_TRUE(DiskSandbox::writeSettings(true, "the login password"));
    start();
    ASSERT_TRUE(waitForLog(kTakenUnderCare)) << "shown as mounted, with its eject item\n" << log();
    EXPECT_THAT(mountsOf(disk), ::testing::ElementsAre(desktopFolder("Killed") + " rw")) << "never mounted twice";
    EXPECT_EQ(count(log(), "new mounted"), 0u) << log();
    ASSERT_TRUE(write(desktopFolder("Killed") + "/after.txt", "after the kill\n"));

    quitMenu();
    expectGivenBack("Killed", disk, {{"hello.txt", "from Windows\n"}, {"before.txt", "before the kill\n"},
                                     {"after.txt", "after the kill\n"}});
    expectNothingLeftBehind();
}

TEST_F(Faults, KilledWhileMountedThenUnpluggedTheNextStartRemovesItsFolder)
{
    AttachedDisk& disk = plugIn("Unplugged", {{"hello.txt", "from Windows\n"}});
    start();
    ASSERT_TRUE(waitForDesktopMount("Unplugged", disk)) << log();
    m_menu->stop(SIGKILL);
    std::string output;
    ASSERT_TRUE(disk.detach(&output)) << output;
    ASSERT_TRUE(fs::exists(desktopFolder("Unplugged"))) << "the fault: an empty folder nobody looks after";

    start();
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(desktopFolder("Unplugged")); })) << log();
    quitMenu();
    expectNothingLeftBehind();
}

TEST_F(Faults, KilledWithItsScriptsBetweenUnmountAndDesktopMountTheVolumeIsGivenBackAndMounted)
{
    AttachedDisk& disk = plugIn("Half", {{"hello.txt", "from Windows\n"}});
    // mount_ntfs, which sudo runs once the system's mount is gone and the
    // folder made, stops at its start the first time.
    StandIn standIn("mount_ntfs", std::string(DiskSandbox::toolsDirectory) + "/mount_ntfs");
    start();
    ASSERT_GT(standIn.waitUntilReached(), 0) << log();
    killMenuWithAllItStarted();
    ASSERT_THAT(mountsOf(disk), ::testing::IsEmpty()) << "the fault: mounted nowhere";
    ASSERT_TRUE(fs::exists(desktopFolder("Half")));
    ASSERT_TRUE(fs::exists(DiskSandbox::intents)) << "the step was recorded before it began";

    start();
    ASSERT_TRUE(waitForDesktopMount("Half", disk)) << "given back, then mounted as newly plugged in\n" << log();
    EXPECT_THAT(log(), HasSubstr("given back to the system"));
    EXPECT_THAT(mountsOf(disk), ::testing::ElementsAre(desktopFolder("Half") + " rw"));
    EXPECT_EQ(readFile(desktopFolder("Half") + "/hello.txt"), "from Windows\n");

    quitMenu();
    expectGivenBack("Half", disk, {{"hello.txt", "from Windows\n"}});
    expectNothingLeftBehind();
}

TEST_F(Faults, QuitWithAFileHeldOpenKeepsTheVolumeAndTheNextStartTakesItBack)
{
    AttachedDisk& disk = plugIn("Held", {{"hello.txt", "from Windows\n"}});
    start();
    ASSERT_TRUE(waitForDesktopMount("Held", disk)) << log();
    int held = ::open((desktopFolder("Held") + "/held.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::write(held, "held open\n", 10), 10);
    quitMenu();
    EXPECT_THAT(mountsOf(disk), ::testing::ElementsAre(desktopFolder("Held") + " rw"))
        << "in use: left mounted as it was\n" << log();
    ::close(held);

    start();
    ASSERT_TRUE(waitForLog(kTakenUnderCare)) << log();
    quitMenu();
    expectGivenBack("Held", disk, {{"hello.txt", "from Windows\n"}, {"held.txt", "held open\n"}});
    expectNothingLeftBehind();
}

TEST_F(Faults, ASudoThatNeverAnswersIsEndedByTheQuitAndTheVolumeGoesBack)
{
    AttachedDisk& disk = plugIn("Stuck", {{"hello.txt", "from Windows\n"}});
    StandIn sudo("sudo", "");
    start();
    const pid_t waiting = sudo.waitUntilReached();
    ASSERT_GT(waiting, 0) << log();

    const int status = m_menu->quit(30);
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "ParvexMenu ends by itself, within its limit (status " << status << ")\n" << log();
    EXPECT_FALSE(ProcessTree::isRunning(waiting)) << "the sudo it waited for is ended with its script";
    EXPECT_THAT(log(), HasSubstr("mount stopped: the program quits"));
    expectGivenBack("Stuck", disk, {{"hello.txt", "from Windows\n"}});
    expectNothingLeftBehind();
}

TEST_F(Faults, TwoVolumesNamedDataAreEachMountedAndEachGoesBackWithItsOwnFiles)
{
    AttachedDisk& first = plugIn("Data", {{"which.txt", "first\n"}});
    AttachedDisk& second = plugIn("Data", {{"which.txt", "second\n"}});
    ASSERT_EQ(mountOf("/Volumes/Data 1", second.volumeNode()), "ro") << "the system's second mount point";

    start();
    ASSERT_TRUE(waitUntil([&] {
        std::set<std::string> devices{MountTable().mountAt(desktopFolder("Data")).value_or(MountEntry{}).source,
                                      MountTable().mountAt(desktopFolder("Data 1")).value_or(MountEntry{}).source};
        return devices == std::set<std::string>{first.volumeNode(), second.volumeNode()};
    })) << log();
    EXPECT_EQ(mountsOf(first).size(), 1u);
    EXPECT_EQ(mountsOf(second).size(), 1u);
    const bool firstOnData = mountOf(desktopFolder("Data"), first.volumeNode()) == "rw";
    const std::string firstFolder = desktopFolder(firstOnData ? "Data" : "Data 1");
    const std::string secondFolder = desktopFolder(firstOnData ? "Data 1" : "Data");
    EXPECT_EQ(readFile(firstFolder + "/which.txt"), "first\n");
    ASSERT_TRUE(write(firstFolder + "/written.txt", "to the first\n"));
    ASSERT_TRUE(write(secondFolder + "/written.txt", "to the second\n"));

    quitMenu();
    const bool firstBackOnData = mountOf(volumesFolder("Data"), first.volumeNode()) == "ro";
    expectGivenBack(firstBackOnData ? "Data" : "Data 1", first, {{"which.txt", "first\n"}, {"written.txt", "to the first\n"}});
    expectGivenBack(firstBackOnData ? "Data 1" : "Data", second,
                    {{"which.txt", "second\n"}, {"written.txt", "to the second\n"}});
    expectNothingLeftBehind();
}

TEST_F(Faults, AUsersFolderDataIsNeverMountedOverOrRemovedAndTheVolumeGoesToData1)
{
    fs::create_directory(desktopFolder("Data"));
    ASSERT_TRUE(write(desktopFolder("Data") + "/mine.txt", "the user's own\n"));
    AttachedDisk& disk = plugIn("Data", {{"hello.txt", "from Windows\n"}});
    start();
    ASSERT_TRUE(waitForDesktopMount("Data 1", disk)) << log();
    EXPECT_FALSE(isMounted(desktopFolder("Data")));
    // Killed there: found again at its own folder, by its device.
    m_menu->stop(SIGKILL);
    start();
    ASSERT_TRUE(waitForLog(kTakenUnderCare)) << log();
    EXPECT_THAT(log(), HasSubstr(desktopFolder("Data 1")));

    quitMenu();
    expectGivenBack("Data", disk, {{"hello.txt", "from Windows\n"}});
    EXPECT_EQ(readFile(desktopFolder("Data") + "/mine.txt"), "the user's own\n");
    EXPECT_FALSE(fs::exists(desktopFolder("Data 1")));
    fs::remove_all(desktopFolder("Data"));
    expectNothingLeftBehind();
}
