#include "Platform/Foundation/MountTable.h"
#include "support/TemporaryFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>



// Lines as the kernel writes them, with an ntfs-3g read-only fallback and a
// second mount on top of the first.
TEST(MountTable, ReadsUnescapedEntriesAndFindsThemByDeviceOrTopMountOfAPath)
{
    TemporaryFolder folder("mounttable-test");
    std::ofstream(folder / "mountinfo")
        << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
           "66 22 259:0 / /Volumes/Data ro,relatime - fuseblk /dev/disk4s1 ro,user_id=0,group_id=0,allow_other,blksize=4096\n"
           "67 22 259:1 / /root/Desktop/My\\040Disk rw,relatime - fuseblk /dev/disk4s2 rw,user_id=0,group_id=0,allow_other,blksize=4096\n"
           "68 22 0:45 / /Volumes/Data rw,relatime - tmpfs tmpfs rw\n";
    MountTable table(folder / "mountinfo");
    auto entries = table.entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].source, "/dev/disk4s1");
    EXPECT_EQ(entries[1].fsType, "fuseblk");
    EXPECT_EQ(entries[2].target, "/root/Desktop/My Disk");
    EXPECT_EQ(entries[2].device, makedev(259, 1));

    auto mounts = table.mountsOf(makedev(259, 0));
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].target, "/Volumes/Data");
    EXPECT_TRUE(table.mountsOf(makedev(259, 7)).empty());
    auto top = table.mountAt("/Volumes/Data");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->fsType, "tmpfs");
    EXPECT_FALSE(table.mountAt("/Volumes/Other"));
    EXPECT_TRUE(MountTable("/nonexistent/mountinfo").entries().empty());

    // Read-write needs both the mount and the super block writable.
    EXPECT_FALSE(entries[1].isReadWrite());
    EXPECT_TRUE(entries[2].isReadWrite());
    EXPECT_FALSE((MountEntry { "/dev/disk4s1", "/x", "fuseblk", "rw,relatime", "ro,user_id=0", 0, 0 }).isReadWrite());
}

// The volume code's questions: is the folder a mount point, and is what is on
// top there a read-write mount of this device.
TEST(MountTable, AFolderIsAReadWriteMountOfADeviceOnlyWhenTheTopMountSaysSo)
{
    TemporaryFolder folder("mounttable-test");
    std::ofstream(folder / "mountinfo")
        << "66 22 259:0 / /Volumes/Data ro,relatime - fuseblk /dev/disk4s1 ro,user_id=0\n"
           "67 22 259:1 / /root/Desktop/My\\040Disk rw,relatime - fuseblk /dev/disk4s2 rw,user_id=0\n"
           "69 22 259:1 / /root/Desktop/Dup rw,relatime - fuseblk /dev/disk4s2 rw,user_id=0\n"
           "70 69 259:3 / /root/Desktop/Dup rw,relatime - fuseblk /dev/disk4s3 rw,user_id=0\n";
    MountTable table(folder / "mountinfo");
    struct Case {
        const char* folder;
        const char* device;
        bool readWrite;
    } cases[] = {
        {"/root/Desktop/My Disk", "/dev/disk4s2", true},
        {"/root/Desktop/My Disk", "/dev/disk4s1", false},
        {"/Volumes/Data", "/dev/disk4s1", false},  // read-only
        {"/root/Desktop/Dup", "/dev/disk4s2", false},  // covered by another
        {"/root/Desktop/Dup", "/dev/disk4s3", true},
        {"/root/Desktop", "/dev/disk4s2", false},
    };
    for (const auto& each : cases)
        EXPECT_EQ(table.isReadWriteMount(each.folder, each.device), each.readWrite) << each.folder << " " << each.device;
    EXPECT_EQ(table.isMountPoint("/root/Desktop/Dup"), true);
    EXPECT_EQ(table.isMountPoint("/root/Desktop"), false);
    EXPECT_FALSE(MountTable(folder / "missing").isReadWriteMount("/Volumes/Data", "/dev/disk4s1"));
}
