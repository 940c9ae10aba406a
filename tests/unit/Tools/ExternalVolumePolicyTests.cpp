#include "Tools/Common/ExternalVolumePolicy.h"
#include "Tools/Common/SudoRelay.h"
#include "ToolsTestData.h"

#include <gtest/gtest.h>

using Tools::ExternalVolumePolicy;

TEST(ExternalVolumePolicy, TargetsAreIdentifiersTheirNodesOrVolumeNamesOnly)
{
    for (const char* target : { "disk4", "disk4s1", "/dev/disk12", "Data", "My Disk", "Data:2024", "disk" })
        EXPECT_TRUE(ExternalVolumePolicy::checkTarget(target)) << target;

    for (const char* target : { "-f", "--help", "-", "/dev/sda1", "/dev/loop0", "/", "/Volumes/Data",
             "/home/user/Desktop/Data", "/dev/disk4s", "/dev/disk04s1", "/dev/../dev/disk4s1", "/dev/disk4s1/" }) {
        Expected<void> checked = ExternalVolumePolicy::checkTarget(target);
        EXPECT_FALSE(checked) << target;
        EXPECT_NE(checked.error().description.find(target), std::string::npos) << "the refusal names what was refused: " << checked.error().description;
    }
    EXPECT_FALSE(ExternalVolumePolicy::checkTarget(""));
    EXPECT_FALSE(ExternalVolumePolicy::checkTarget("Data\nmore"));
}

TEST(ExternalVolumePolicy, AcceptsVolumesOfRemovableUsbAndImageDisks)
{
    auto disk = ToolsTestData::ntfsDisk();
    EXPECT_TRUE(ExternalVolumePolicy::checkVolume(disk.partitions[0], disk));
    disk.removable = false;
    disk.usb = true;
    EXPECT_TRUE(ExternalVolumePolicy::checkVolume(disk.partitions[0], disk)) << "a USB disk that does not say it is removable";
    disk.usb = false;
    disk.diskImage = true;
    EXPECT_TRUE(ExternalVolumePolicy::checkVolume(disk.asVolume(), disk)) << "the whole disk of an image";
}

TEST(ExternalVolumePolicy, RefusesInternalDisksAndTheSystemsDisk)
{
    auto disk = ToolsTestData::ntfsDisk();
    disk.removable = false;
    Expected<void> internal = ExternalVolumePolicy::checkVolume(disk.partitions[0], disk);
    EXPECT_FALSE(internal);
    EXPECT_NE(internal.error().description.find("disk4s1"), std::string::npos);
    EXPECT_NE(internal.error().description.find("internal"), std::string::npos);

    // A live USB stick running the system from another partition.
    disk = ToolsTestData::ntfsDisk();
    auto system = disk.partitions[0];
    system.identifier = Tools::DiskIdentifier(4, 2);
    system.mounts = { { "/dev/disk4s2", "/", "ext4", "rw", "rw", 0, 1 } };
    disk.partitions.push_back(system);
    EXPECT_FALSE(ExternalVolumePolicy::checkVolume(disk.partitions[0], disk));
    EXPECT_FALSE(ExternalVolumePolicy::checkVolume(disk.partitions[1], disk));

    // The system on the whole disk, without a partition table.
    disk = ToolsTestData::ntfsDisk();
    disk.partitions.clear();
    disk.mounts = { { "/dev/disk4", "/", "ext4", "rw", "rw", 0, 1 } };
    EXPECT_FALSE(ExternalVolumePolicy::checkVolume(disk.asVolume(), disk));
}

TEST(SudoRelay, RunsItselfThroughSudoWithoutPromptOrShell)
{
    Tools::SudoRelay relay("/usr/local/bin/diskutil");
    std::vector<std::string> expected { "sudo", "-n", "/usr/local/bin/diskutil", "umount", "force", "My Disk; rm -rf /" };
    EXPECT_EQ(relay.command({ "umount", "force", "My Disk; rm -rf /" }), expected) << "the target stays one word";

    EXPECT_FALSE(Tools::SudoRelay("/usr/local/bin/diskutil", "false").permitted({ "mount", "disk4s1" }));
    EXPECT_FALSE(Tools::SudoRelay("/usr/local/bin/diskutil", "/nonexistent/sudo").permitted({ "mount", "disk4s1" }));
    EXPECT_FALSE(Tools::SudoRelay("", "true").permitted({ "mount", "disk4s1" }));
    EXPECT_FALSE(Tools::SudoRelay("diskutil", "true").permitted({ "mount", "disk4s1" }));
    EXPECT_TRUE(Tools::SudoRelay("/usr/local/bin/diskutil", "true").permitted({ "mount", "disk4s1" }));
    EXPECT_TRUE(Tools::SudoRelay::ownExecutable().ends_with("/unit_Tools"));
}
