#include "Tools/Common/DiskRegistry.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;
using Tools::DiskIdentifier;

namespace {

// The registry works on a sysfs tree and a /dev folder of our own. Making
// block nodes needs CAP_MKNOD; without it the tests skip.
class DiskRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_root / "sys/dev/block");
        fs::create_directories(m_root / "dev");
        if (mknod((m_root / "dev/probe").c_str(), S_IFBLK | 0600, makedev(7, 0)) != 0)
            GTEST_SKIP() << "making block device nodes needs root";
        fs::remove(m_root / "dev/probe");
        m_sysfs = std::make_shared<Tools::SysfsBlock>(m_root / "sys");
        m_registry = std::make_shared<Tools::DiskRegistry>(m_root / "dev", m_sysfs);
    }

    static void write(const fs::path& path, const std::string& text) { std::ofstream(path) << text << "\n"; }

    // Loop disk N (7:N) with partitions 259:N*10+M.
    dev_t addDisk(int number, int partitions)
    {
        fs::path disk = m_root / "sys/devices/virtual/block" / ("loop" + std::to_string(number));
        fs::create_directories(disk / "loop");
        write(disk / "dev", "7:" + std::to_string(number));
        write(disk / "size", "131072");
        write(disk / "removable", "0");
        write(disk / "loop/backing_file", "/tmp/disk.img");
        fs::create_directory_symlink(disk, m_root / "sys/dev/block" / ("7:" + std::to_string(number)));
        for (int partition = 1; partition <= partitions; ++partition) {
            fs::path part = disk / ("loop" + std::to_string(number) + "p" + std::to_string(partition));
            std::string numbers = "259:" + std::to_string(number * 10 + partition);
            fs::create_directories(part);
            write(part / "dev", numbers);
            write(part / "size", "129024");
            write(part / "partition", std::to_string(partition));
            fs::create_directory_symlink(part, m_root / "sys/dev/block" / numbers);
        }
        return makedev(7, number);
    }

    dev_t nodeNumber(const std::string& name)
    {
        struct stat info {};
        return lstat((m_root / "dev" / name).c_str(), &info) == 0 && S_ISBLK(info.st_mode) ? info.st_rdev : 0;
    }

    TemporaryFolder m_folder { "registry-test" };
    fs::path m_root { m_folder.path() };
    std::shared_ptr<Tools::SysfsBlock> m_sysfs;
    std::shared_ptr<Tools::DiskRegistry> m_registry;
};

}

TEST_F(DiskRegistryTest, GivesTheSmallestFreeNumberFromTwoAndNodesForPartitions)
{
    fs::create_directories(m_root / "dev/disk/by-label");
    write(m_root / "dev/disk7", "a regular file, no identifier");
    auto first = m_registry->assign(addDisk(0, 1));
    ASSERT_TRUE(first) << first.error().description;
    EXPECT_EQ(first->name(), "disk2");
    EXPECT_EQ(nodeNumber("disk2"), makedev(7, 0));
    EXPECT_EQ(nodeNumber("disk2s1"), makedev(259, 1));
    EXPECT_EQ(m_sysfs->describe(makedev(259, 1))->sizeBytes, 129024u * 512);
    EXPECT_EQ(m_registry->assign(makedev(7, 0))->name(), "disk2");

    auto second = m_registry->assign(addDisk(1, 0));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->name(), "disk3");
    EXPECT_EQ(m_registry->identifierOf(makedev(259, 1)), DiskIdentifier(2, 1));
    EXPECT_EQ(m_registry->deviceOf(DiskIdentifier(3)), makedev(7, 1));
    EXPECT_EQ(m_registry->nodes().size(), 3u);
    EXPECT_FALSE(m_registry->assignPartition(makedev(7, 0))) << "a whole disk is no partition";
}

TEST_F(DiskRegistryTest, NodesOfAVanishedDeviceAreIgnoredAndTheirNumberReused)
{
    ASSERT_TRUE(m_registry->assign(addDisk(0, 1)));
    ASSERT_TRUE(m_registry->assign(addDisk(1, 0)));
    fs::remove(m_root / "sys/dev/block/7:0");
    EXPECT_FALSE(m_registry->deviceOf(DiskIdentifier(2)));
    EXPECT_EQ(m_registry->nodes().size(), 1u);

    auto reused = m_registry->assign(addDisk(2, 0));
    ASSERT_TRUE(reused);
    EXPECT_EQ(reused->name(), "disk2");
    EXPECT_EQ(nodeNumber("disk2"), makedev(7, 2));
    EXPECT_EQ(nodeNumber("disk2s1"), 0u) << "the old partition node must go with its disk";
}

TEST_F(DiskRegistryTest, ReleaseRemovesADiskWithItsPartitions)
{
    ASSERT_TRUE(m_registry->assign(addDisk(0, 2)));
    ASSERT_TRUE(m_registry->assign(addDisk(1, 1)));
    m_registry->releaseDevice(makedev(259, 2));
    EXPECT_EQ(nodeNumber("disk2s2"), 0u);
    EXPECT_NE(nodeNumber("disk2s1"), 0u);

    m_registry->release(DiskIdentifier(2));
    EXPECT_EQ(nodeNumber("disk2"), 0u);
    EXPECT_EQ(nodeNumber("disk2s1"), 0u);
    EXPECT_NE(nodeNumber("disk3s1"), 0u);

    // A disk pulled out: its sysfs entry is gone by the time its event runs.
    fs::remove(m_root / "sys/dev/block/7:1");
    m_registry->releaseDevice(makedev(7, 1));
    EXPECT_EQ(nodeNumber("disk3"), 0u);
    EXPECT_EQ(nodeNumber("disk3s1"), 0u);
}
