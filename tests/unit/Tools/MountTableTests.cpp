#include "Tools/Common/MountTable.h"
#include "TempFile.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

using Tools::MountTable;

namespace {

// Lines as the kernel writes them, including an ntfs-3g read-only fallback.
const char* const mountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "66 22 259:0 / /Volumes/Data ro,relatime - fuseblk /dev/disk4s1 ro,user_id=0,group_id=0,allow_other,blksize=4096\n"
    "67 22 259:1 / /root/Desktop/My\\040Disk rw,relatime - fuseblk /dev/disk4s2 rw,user_id=0,group_id=0,allow_other,blksize=4096\n"
    "68 22 0:45 / /Volumes/Data rw,relatime - tmpfs tmpfs rw\n";

}

TEST(MountTable, ReadsEntriesWithUnescapedPaths)
{
    TempFile file(mountInfo);
    auto entries = MountTable(file.path()).entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].source, "/dev/disk4s1");
    EXPECT_EQ(entries[1].fsType, "fuseblk");
    EXPECT_EQ(entries[2].target, "/root/Desktop/My Disk");
    EXPECT_EQ(entries[2].device, makedev(259, 1));
}

TEST(MountTable, ReadWriteNeedsBothMountAndSuperBlockWritable)
{
    TempFile file(mountInfo);
    auto entries = MountTable(file.path()).entries();
    EXPECT_FALSE(entries[1].isReadWrite());
    EXPECT_TRUE(entries[2].isReadWrite());
    Tools::MountEntry fallback { "/dev/disk4s1", "/x", "fuseblk", "rw,relatime", "ro,user_id=0", 0, 0 };
    EXPECT_FALSE(fallback.isReadWrite());
}

TEST(MountTable, FindsMountsByDeviceNumberAndTheTopMountOfAPath)
{
    TempFile file(mountInfo);
    MountTable table(file.path());
    auto mounts = table.mountsOf(makedev(259, 0));
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].target, "/Volumes/Data");
    EXPECT_TRUE(table.mountsOf(makedev(259, 7)).empty());
    auto top = table.mountAt("/Volumes/Data");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->fsType, "tmpfs");
    EXPECT_FALSE(table.mountAt("/Volumes/Other"));
    EXPECT_TRUE(MountTable("/nonexistent/mountinfo").entries().empty());
}
