#include <sys/wait.h>

#include <gmock/gmock.h>

#include <filesystem>

#include "Helper/NTFSManager/NTFSManager.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/RunLoop.h"
#include "Shared/Console.h"
#include "Shared/SharedData.h"
#include "Platform/Foundation/MountTable.h"
#include "support/AnswerCollector.h"
#include "support/ChildProcess.h"
#include "support/DiskSandbox.h"
#include "support/MenuApp.h"
#include "support/NtfsFixture.h"
#include "support/ShellCommand.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace fs = std::filesystem;

// Manual mode end to end: the menu-bar app's volume code in this process (a
// menu choice cannot be made from outside ParvexMenu), the real agent over the
// sandbox's system bus, and the real disk tools on a real NTFS volume.
class ManualMode : public NtfsFixture {
protected:
    // The agent writes the table back without blank lines, every line ended
    // by a line feed, so a table already in that form is the one it can give
    // back byte for byte.
    static constexpr const char* machineTable =
        "# /etc/fstab: static file system information.\n"
        "UUID=0b9f61a4-3d52-4a0e-9d4e-2f1c6e7a9b10 / ext4 errors=remount-ro 0 1\n"
        "UUID=5E2A-91C3 /boot/efi vfat umask=0077 0 1\n";

    void SetUp() override
    {
        NtfsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(DiskSandbox::writeSettings(true, ""));
        Console::shared().clear();
        ASSERT_TRUE(write(fstab, machineTable));
        ASSERT_TRUE(m_agent = startAgent()) << "the agent did not start";
        m_manager = std::make_unique<NTFSManager>(m_environment);
    }

    void TearDown() override
    {
        m_manager.reset();
        m_agent.reset();
        NtfsFixture::TearDown();
    }

    std::shared_ptr<VolumeModel> onlyVolume()
    {
        auto volumes = m_manager->previousInsertedNTFSVolumes();
        return volumes.size() == 1 ? volumes.front() : nullptr;
    }

    SharedData m_settings{std::make_shared<UserDefaults>(std::string(SharedData::suiteName),
        std::string(DiskSandbox::home) + "/Library/Preferences/" + std::string(SharedData::suiteName) + ".plist")};
    std::shared_ptr<VolumeEnvironment> m_environment = std::make_shared<VolumeEnvironment>(
        VolumeEnvironment{m_settings, DistributedNotificationCenter::defaultCenter(), DiskSandbox::home, nullptr});
    std::unique_ptr<ChildProcess> m_agent;
    std::unique_ptr<NTFSManager> m_manager;
};

TEST_F(ManualMode, MountWritesTheEntryAndTheAnswerRemountsReadWriteEjectGivesItBack)
{
    AttachedDisk& disk = plugIn("Data", {{"hello.txt", "from Windows\n"}});
    ASSERT_EQ(mountOf("/Volumes/Data", disk.volumeNode()), "ro");

    m_manager->run();
    auto volume = onlyVolume();
    ASSERT_TRUE(volume) << "the scan lists the mounted NTFS volume";
    EXPECT_EQ(volume->name, "Data");
    EXPECT_EQ(volume->ID, disk.volume());
    EXPECT_EQ(volume->status(), VolumeModel::Status::umounted) << "manual mode waits for the user";
    EXPECT_EQ(mountOf("/Volumes/Data", disk.volumeNode()), "ro") << "the scan alone changes nothing";
    EXPECT_EQ(readFile(fstab), machineTable);

    // The mount item.
    volume->mount();
    const std::string entry = "LABEL=Data none ntfs rw,auto,nobrowse";
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return mountOf("/Volumes/Data", disk.volumeNode()) == "rw"; }, 30))
        << "the answer did not remount the volume read-write; agent log:\n" << readFile(kAgentLog);
    EXPECT_EQ(readFile(fstab), std::string(machineTable) + entry + "\n");
    EXPECT_EQ(std::ranges::count(MountTable().entries(), disk.volumeNode(), &MountEntry::source), 1)
        << "no desktop mount in manual mode";
    EXPECT_EQ(readFile("/Volumes/Data/hello.txt"), "from Windows\n");
    ASSERT_TRUE(write("/Volumes/Data/written.txt", "from Linux\n"));

    // The eject item.
    volume->umount();
    EXPECT_EQ(volume->status(), VolumeModel::Status::umounted);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !isMounted("/Volumes/Data") && readFile(fstab) == machineTable; }, 30))
        << "fstab:\n" << readFile(fstab);
    EXPECT_FALSE(fs::exists("/Volumes/Data")) << "the unmount takes its folder away";
    ASSERT_EQ(onlyVolume(), volume) << "an ejected volume stays listed while it is plugged in";

    // Without the entry the system mounts it read-only again, with both files.
    ShellOutput mounted = runShell("diskutil mount Data");
    EXPECT_EQ(mounted.output, "Volume Data on " + disk.volume() + " mounted\n") << mounted.error;
    EXPECT_EQ(mountOf("/Volumes/Data", disk.volumeNode()), "ro");
    EXPECT_EQ(readFile("/Volumes/Data/hello.txt"), "from Windows\n");
    EXPECT_EQ(readFile("/Volumes/Data/written.txt"), "from Linux\n");

    expectNothingLeftBehind();
    EXPECT_EQ(readFile(fstab), machineTable) << "the table ends as it began, byte for byte";
}

TEST_F(ManualMode, ANameWithASpaceIsRefusedAndLeftAsTheSystemMountedIt)
{
    AttachedDisk& disk = plugIn("My Data", {{"hello.txt", "from Windows\n"}});
    ASSERT_EQ(mountOf("/Volumes/My Data", disk.volumeNode()), "ro");

    m_manager->run();
    m_manager->run();
    EXPECT_THAT(m_manager->previousInsertedNTFSVolumes(), IsEmpty());
    std::string log = readFile(Console::shared().path());
    EXPECT_THAT(log, HasSubstr("卷名不能包含空格"));
    EXPECT_EQ(log.find("卷名不能包含空格"), log.rfind("卷名不能包含空格")) << "refused once while it stays plugged in";
    EXPECT_EQ(mountOf("/Volumes/My Data", disk.volumeNode()), "ro");
    EXPECT_EQ(readFile(fstab), machineTable);

    expectNothingLeftBehind();
}

TEST_F(ManualMode, EachLabelNamesItsOwnVolumeWholeInTheEntryAndTheRemount)
{
    std::string chinese;
    for (int character = 0; character < 100; ++character)
        chinese += "数";
    // Its folder under /Volumes: as much of the name as fits, 85 characters.
    const std::string fitted = chinese.substr(0, 255);
    AttachedDisk& other = plugIn("Other", {{"hello.txt", "Other\n"}});
    struct Volume {
        std::string label;
        std::string name;
        std::string folder;
    } cases[] = {
        {"x:Other", "x:Other", "x:Other"},
        {"Line\nFeed", "Line\\nFeed", "Line\\nFeed"},
        {chinese, chinese, fitted},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        AttachedDisk& disk = plugIn(each.label, {{"hello.txt", each.name + "\n"}});
        ASSERT_EQ(mountOf(volumesFolder(each.folder), disk.volumeNode()), "ro");
        m_manager->run();
        std::shared_ptr<VolumeModel> volume;
        for (const auto& listed : m_manager->previousInsertedNTFSVolumes()) {
            if (listed->ID == disk.volume())
                volume = listed;
        }
        ASSERT_TRUE(volume) << "listed";
        EXPECT_EQ(volume->name, each.name) << "the menu shows the whole name";

        volume->mount();
        const std::string entry = "LABEL=" + each.name + " none ntfs rw,auto,nobrowse\n";
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return mountOf(volumesFolder(each.folder), disk.volumeNode()) == "rw"; }, 30))
            << "agent log:\n" << readFile(kAgentLog);
        EXPECT_EQ(readFile(fstab), std::string(machineTable) + entry);
        EXPECT_EQ(mountOf("/Volumes/Other", other.volumeNode()), "ro") << "the other volume is left alone";
        EXPECT_EQ(readFile(volumesFolder(each.folder) + "/hello.txt"), each.name + "\n");

        volume->umount();
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return !isMounted(volumesFolder(each.folder)) && readFile(fstab) == machineTable; }, 30))
            << "fstab:\n" << readFile(fstab);
        ASSERT_TRUE(disk.detach());
        m_manager->run();
    }
    expectNothingLeftBehind();
    EXPECT_EQ(readFile(fstab), machineTable);
}

TEST_F(ManualMode, QuittingAfterTheModeChangedUndoesTheMountTheWayItWasMade)
{
    AttachedDisk& disk = plugIn("Data", {{"hello.txt", "from Windows\n"}});
    // The real menu-bar app mounted it in automatic mode, then the settings
    // app stored manual mode and relaunches it.
    ASSERT_TRUE(DiskSandbox::writeSettings(false, "the login password"));
    auto menu = std::make_unique<MenuApp>();
    ASSERT_TRUE(waitUntil([&] { return mountOf(desktopFolder("Data"), disk.volumeNode()) == "rw"; })) << MenuApp::log();
    ASSERT_TRUE(DiskSandbox::writeSettings(true, ""));

    AnswerCollector answers;
    answers.drain();  // listening for sure before the quit
    int status = menu->quit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_THAT(answers.drain(), IsEmpty()) << "the agent has no entry of this volume to remove";
    EXPECT_FALSE(fs::exists(desktopFolder("Data"))) << MenuApp::log();
    EXPECT_EQ(mountOf(volumesFolder("Data"), disk.volumeNode()), "ro") << "given back to the system\n" << MenuApp::log();
    EXPECT_EQ(readFile(fstab), machineTable);
    expectNothingLeftBehind();
}
