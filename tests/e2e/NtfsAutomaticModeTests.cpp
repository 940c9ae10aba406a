#include <sys/mount.h>
#include <sys/wait.h>

#include <gmock/gmock.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "Platform/Foundation/MountTable.h"
#include "support/AutomaticModeFixture.h"
#include "support/DiskSandbox.h"
#include "support/SandboxUser.h"
#include "support/ShellCommand.h"

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

TEST_F(AutomaticMode, PlugInWriteAndQuitGivesTheVolumeBackReadOnlyWithTheData)
{
    AttachedDisk& disk = plugIn("Data", {{"hello.txt", "from Windows\n"}});
    ASSERT_EQ(mountOf("/Volumes/Data", disk.volumeNode()), "ro") << "the system's own mount is read-only";

    startMenu();
    const std::string folder = desktopFolder("Data");
    ASSERT_TRUE(waitForDesktopMount("Data", disk)) << log();
    EXPECT_FALSE(isMounted("/Volumes/Data")) << "the system's read-only mount makes way";
    ASSERT_TRUE(waitForLog("new mounted")) << log();
    EXPECT_EQ(count(log(), "new mounted"), 1u) << "mounted once, in the scan that found it";
    EXPECT_TRUE(waitForLog("「Data」现在可以写入")) << "the user is told it is writable\n" << log();
    EXPECT_THAT(runShell("df -h").output, HasSubstr(disk.volumeNode() + " ")) << "df names the volume by its node";
    EXPECT_EQ(readFile(folder + "/hello.txt"), "from Windows\n");
    ASSERT_TRUE(write(folder + "/written.txt", "from Linux\n"));

    quitMenu();
    EXPECT_FALSE(isMounted(folder));
    EXPECT_FALSE(fs::exists(folder)) << "the empty desktop folder is deleted";
    ASSERT_EQ(mountOf("/Volumes/Data", disk.volumeNode()), "ro") << "the system mounts it again, read-only\n"
                                                                       << log();
    EXPECT_EQ(readFile("/Volumes/Data/hello.txt"), "from Windows\n");
    EXPECT_EQ(readFile("/Volumes/Data/written.txt"), "from Linux\n");

    expectNothingLeftBehind();
}

TEST_F(AutomaticMode, ANameWithASpaceIsMountedToo)
{
    AttachedDisk& disk = plugIn("My Data", {{"hello.txt", "from Windows\n"}});
    ASSERT_EQ(mountOf("/Volumes/My Data", disk.volumeNode()), "ro");

    startMenu();
    const std::string folder = desktopFolder("My Data");
    ASSERT_TRUE(waitForDesktopMount("My Data", disk)) << log();
    ASSERT_TRUE(write(folder + "/written.txt", "from Linux\n"));
    EXPECT_FALSE(fs::exists(desktopFolder("My"))) << "the name stays one folder";

    quitMenu();
    EXPECT_FALSE(fs::exists(folder));
    ASSERT_EQ(mountOf("/Volumes/My Data", disk.volumeNode()), "ro") << log();
    EXPECT_EQ(readFile("/Volumes/My Data/written.txt"), "from Linux\n");

    expectNothingLeftBehind();
}

TEST_F(AutomaticMode, AVolumeUnpluggedWhileMountedHasItsDesktopFolderCleanedUp)
{
    AttachedDisk& disk = plugIn("Data", {{"hello.txt", "from Windows\n"}});
    startMenu();
    const std::string folder = desktopFolder("Data");
    ASSERT_TRUE(waitForDesktopMount("Data", disk)) << log();

    std::string output;
    ASSERT_TRUE(disk.unplug(&output)) << output;
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(folder); })) << "the next cycle deletes the emptied folder\n"
                                                                << log();
    EXPECT_TRUE(waitForLog("remove " + disk.volume())) << "and forgets the volume\n" << log();
    EXPECT_TRUE(m_menu->isRunning());

    quitMenu();
    expectNothingLeftBehind();
}

TEST_F(AutomaticMode, AHibernatedWindowsVolumeIsRefusedPlainlyAndNothingIsLost)
{
    AttachedDisk& disk = plugIn("Data", {{"hello.txt", "from Windows\n"}, {"hiberfil.sys", NtfsImage::hibernationFile()}});
    ASSERT_EQ(mountOf("/Volumes/Data", disk.volumeNode()), "ro") << "the system still mounts it read-only";

    startMenu();
    ASSERT_TRUE(waitForLog("mount failed")) << log();
    EXPECT_EQ(count(log(), "new mounted"), 0u) << "a refused mount is never reported as one";
    EXPECT_THAT(log(), AllOf(HasSubstr("Windows is hibernated on this volume"), HasSubstr("shut it down fully")))
        << "the log says why, and what the user can do";
    EXPECT_TRUE(waitForLog("「Data」只能读取")) << "so is the user, in a notification\n" << log();
    EXPECT_EQ(count(log(), "现在可以写入"), 0u);
    EXPECT_NE(mountOf(desktopFolder("Data"), disk.volumeNode()), "rw");
    for (const auto& mount : MountTable().entries())
        EXPECT_FALSE(mount.source == disk.volumeNode() && mount.isReadWrite()) << "mounted writable at " << mount.target;

    EXPECT_FALSE(fs::exists(desktopFolder("Data"))) << "no empty folder is left on the desktop";
    ASSERT_EQ(mountOf("/Volumes/Data", disk.volumeNode()), "ro") << "given back to the system at once\n" << log();
    quitMenu();
    EXPECT_EQ(readFile("/Volumes/Data/hello.txt"), "from Windows\n");
    EXPECT_EQ(readFile("/Volumes/Data/hiberfil.sys").substr(0, 4), "hibr") << "Windows' saved session is kept";

    expectNothingLeftBehind();
}

TEST_F(AutomaticMode, APluggedInVolumeIsMountedByTheScanItsOwnMountStartsAndABurstCostsAFewCycles)
{
    // The image is made (and mounted for a moment to write it) before ParvexMenu starts.
    const std::string image = makeImage("Data", {{"hello.txt", "from Windows\n"}});
    startMenu();
    // Once a change of ours is answered, ParvexMenu is watching.
    ASSERT_TRUE(waitUntil([&] {
        churnMountTable(1);
        return waitForFileContaining(kMenuLog, kChanged, 0.5);
    })) << log();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const size_t before = log().size();

    AttachedDisk& disk = attach(image);
    ASSERT_TRUE(waitForDesktopMount("Data", disk)) << log();
    ASSERT_TRUE(waitForLog("new mounted")) << log();
    std::string text = log();
    const size_t examined = text.find("[\"Data\",", before);
    ASSERT_NE(examined, std::string::npos) << text;
    const size_t change = text.find(kChanged, before);
    EXPECT_LT(change, examined) << "the scan that found the volume was started by its mount, not by a tick\n"
                                << text.substr(before);

    // Fifty changes in a burst while the volume is listed: a few cycles, and
    // the volume stays as it is.
    const size_t changes = count(text, kChanged);
    churnMountTable(25);
    ASSERT_TRUE(waitUntil([&] { return count(log(), kChanged) > changes; }, 10)) << log();
    // The cycle under way ends, and the one it owes the burst with it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    text = log();
    const size_t cycles = count(text, kChanged) - changes;
    EXPECT_GE(cycles, 1u);
    EXPECT_LE(cycles, 5u) << "fifty changes, a few cycles\n" << text;
    EXPECT_EQ(count(text, "new mounted"), 1u) << text;
    EXPECT_EQ(mountOf(desktopFolder("Data"), disk.volumeNode()), "rw");

    quitMenu();
    expectNothingLeftBehind();
}

TEST_F(AutomaticMode, QuittingWhileAScanMountsLeavesNothingMounted)
{
    const std::vector<std::string> names{"One", "Two", "Three"};
    std::vector<AttachedDisk*> disks;
    for (const auto& name : names)
        disks.push_back(&plugIn(name, {{"hello.txt", name + "\n"}}));

    startMenu();
    // The first scan is mounting them one after another.
    ASSERT_TRUE(waitForLog("new mounted")) << log();
    quitMenu();
    for (size_t index = 0; index < names.size(); ++index) {
        EXPECT_FALSE(fs::exists(desktopFolder(names[index]))) << names[index] << "\n" << log();
        EXPECT_EQ(mountOf(volumesFolder(names[index]), disks[index]->volumeNode()), "ro")
            << names[index] << " is back where the system mounts it, read-only\n" << log();
    }
    expectNothingLeftBehind();
}

// Labels that once read as another volume's name, as several lines of a
// listing, or as a folder name too long to make.
TEST_F(AutomaticMode, EachLabelNamesItsOwnVolumeWholeAndGetsAFolderThatFits)
{
    std::string chinese;
    for (int character = 0; character < 100; ++character)
        chinese += "数";
    const std::string fitted = chinese.substr(0, 255);  // 85 characters of 3 bytes
    struct Volume {
        std::string label;
        std::string name;    // as the tools show it
        std::string folder;  // on the desktop and under /Volumes
        AttachedDisk* disk = nullptr;
    };
    std::vector<Volume> volumes{
        {"x:Other", "x:Other", "x:Other"},
        {"Other", "Other", "Other"},
        {"Line\nFeed", "Line\\nFeed", "Line\\nFeed"},
        {chinese, chinese, fitted},
    };
    for (auto& volume : volumes) {
        volume.disk = &plugIn(volume.label, {{"hello.txt", volume.name + "\n"}});
        ASSERT_EQ(mountOf(volumesFolder(volume.folder), volume.disk->volumeNode()), "ro") << volume.name;
    }
    const std::string row = runShell("diskutil list | grep 'Windows_NTFS Line'").output;
    EXPECT_TRUE(row.ends_with(" " + volumes[2].disk->volume() + "\n")) << "one line, the volume's own:\n" << row;

    startMenu();
    for (const auto& volume : volumes) {
        ASSERT_TRUE(waitForDesktopMount(volume.folder, *volume.disk)) << volume.name << "\n" << log();
        EXPECT_EQ(readFile(desktopFolder(volume.folder) + "/hello.txt"), volume.name + "\n");
        ASSERT_TRUE(write(desktopFolder(volume.folder) + "/written.txt", "from Linux\n"));
    }
    EXPECT_TRUE(waitForLog("new mounted\n" + chinese + "\n")) << "the volume keeps its whole name\n" << log();
    EXPECT_EQ(count(log(), "not mounted"), 0u) << log();

    quitMenu();
    for (const auto& volume : volumes) {
        EXPECT_FALSE(fs::exists(desktopFolder(volume.folder))) << volume.name;
        ASSERT_EQ(mountOf(volumesFolder(volume.folder), volume.disk->volumeNode()), "ro") << volume.name << "\n" << log();
        EXPECT_EQ(readFile(volumesFolder(volume.folder) + "/written.txt"), "from Linux\n") << volume.name;
    }
    expectNothingLeftBehind();
}

// ParvexMenu as a user at the machine runs it, not as root: sudo asks that
// user's login password, and the disk tools reach root through their rule.
class AutomaticModeAsAUser : public AutomaticMode {
protected:
    void SetUp() override
    {
        AutomaticMode::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(SandboxUser::create(DiskSandbox::home), "");
        ASSERT_EQ(runShell("install -m 0440 \"$1\" /etc/sudoers.d/parvex-diskutil",
                           {PARVEX_BINARY_DIR "/Tools/sudoers-test/parvex-diskutil"}).status, 0);
        ASSERT_TRUE(SandboxUser::own(DiskSandbox::home));
    }

    void TearDown() override
    {
        AutomaticMode::TearDown();
        fs::remove("/etc/sudoers.d/parvex-diskutil");
    }

    void startMenuAsUser() { startMenu(SandboxUser::command({}, DiskSandbox::home)); }
    static bool storePassword(const std::string& password)
    {
        return DiskSandbox::writeSettings(false, password, SandboxUser::uid());
    }
};

TEST_F(AutomaticModeAsAUser, AWrongPasswordLeavesTheVolumeReadOnlyUntilTheRightOneIsStored)
{
    AttachedDisk& disk = plugIn("Data", {{"hello.txt", "from Windows\n"}});
    ASSERT_TRUE(storePassword("not the password"));
    startMenuAsUser();
    ASSERT_TRUE(waitForLog("mount failed")) << log();
    // Three scans' time: a failed mount is not tried again at each.
    std::this_thread::sleep_for(std::chrono::milliseconds(8000));
    EXPECT_EQ(count(log(), "mount failed"), 1u) << log();
    EXPECT_EQ(count(log(), "new mounted"), 0u);
    EXPECT_THAT(log(), AllOf(HasSubstr("incorrect password attempt"), Not(HasSubstr("not the password"))))
        << "what sudo said, never the password";
    EXPECT_EQ(mountOf(volumesFolder("Data"), disk.volumeNode()), "ro") << "given back to the system\n" << log();
    EXPECT_FALSE(fs::exists(desktopFolder("Data"))) << "nothing is left on the desktop";

    // The settings app stores the right one: the next scan mounts the volume.
    ASSERT_TRUE(storePassword(SandboxUser::password));
    ASSERT_TRUE(waitForDesktopMount("Data", disk)) << log();
    EXPECT_EQ(count(log(), "mount failed"), 1u);
    EXPECT_EQ(readFile(desktopFolder("Data") + "/hello.txt"), "from Windows\n");
    ASSERT_TRUE(write(desktopFolder("Data") + "/written.txt", "from Linux\n"));

    quitMenu();
    ASSERT_EQ(mountOf(volumesFolder("Data"), disk.volumeNode()), "ro") << log();
    EXPECT_EQ(readFile(volumesFolder("Data") + "/written.txt"), "from Linux\n");
    expectNothingLeftBehind();
}

// Root mounts in the user's desktop folder for them: only in a folder that is
// theirs, and it never removes what it cannot see into.
TEST_F(AutomaticModeAsAUser, ADesktopThatIsALinkOrNotTheUsersIsNotMountedIn)
{
    AttachedDisk& disk = plugIn("Private", {{"hello.txt", "from Windows\n"}});
    ASSERT_TRUE(storePassword(SandboxUser::password));
    // A folder every user may write to, where another user keeps a folder of
    // their own that only they can read, named as the volume is.
    const std::string shared = "/tmp/ntfs-e2e/shared";
    fs::create_directories(shared + "/Private");
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    ASSERT_TRUE(write(shared + "/Private/root.txt", "root's\n"));
    fs::permissions(shared + "/Private", fs::perms::owner_all);
    fs::remove(DiskSandbox::desktop);
    fs::create_directory_symlink(shared, DiskSandbox::desktop);

    startMenuAsUser();
    ASSERT_TRUE(waitForLog("is a link, is missing or is not the user's own")) << log();
    quitMenu();
    EXPECT_EQ(mountOf(volumesFolder("Private"), disk.volumeNode()), "ro") << "left as the system mounted it\n" << log();
    EXPECT_EQ(readFile(shared + "/Private/root.txt"), "root's\n");
    EXPECT_FALSE(isMounted(shared + "/Private"));

    // A desktop of another user's (root's here).
    fs::remove(DiskSandbox::desktop);
    fs::create_directory(DiskSandbox::desktop);
    startMenuAsUser();
    ASSERT_TRUE(waitForLog("is a link, is missing or is not the user's own")) << log();
    quitMenu();
    EXPECT_EQ(mountOf(volumesFolder("Private"), disk.volumeNode()), "ro") << log();

    ASSERT_TRUE(SandboxUser::own(DiskSandbox::desktop));
    expectNothingLeftBehind();
}

TEST_F(AutomaticModeAsAUser, AFolderOfAnotherUsersOnTheDesktopIsNeitherMountedOnNorRemoved)
{
    AttachedDisk& disk = plugIn("Private", {{"hello.txt", "from Windows\n"}});
    ASSERT_TRUE(storePassword(SandboxUser::password));
    // Root's folder, which the user can neither read nor remove, where the
    // volume's folder would go.
    const std::string folder = desktopFolder("Private");
    fs::create_directory(folder);
    ASSERT_TRUE(write(folder + "/root.txt", "root's\n"));
    fs::permissions(folder, fs::perms::owner_all);

    startMenuAsUser();
    ASSERT_TRUE(waitForDesktopMount("Private 1", disk)) << "the next free name, as the system names it\n" << log();
    EXPECT_FALSE(isMounted(folder));
    quitMenu();
    EXPECT_EQ(readFile(folder + "/root.txt"), "root's\n") << "an unreadable folder is never taken for empty\n" << log();
    EXPECT_FALSE(isMounted(folder));
    EXPECT_FALSE(fs::exists(desktopFolder("Private 1")));
    EXPECT_EQ(mountOf(volumesFolder("Private"), disk.volumeNode()), "ro") << "given back to the system\n" << log();

    fs::remove_all(folder);
    expectNothingLeftBehind();
}
