#include "Tools/Common/MountTable.h"
#include "Tools/Common/Unmounter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The exact unmount must refuse before umount2 is reached, so these folders
// are never mounted on: the refusals are what is tested.
class ExactUnmountTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/parvex-unmount-test.XXXXXX";
        m_root = mkdtemp(pattern);
        fs::create_directories(m_root / "real/Data");
        fs::create_directory_symlink(m_root / "real", m_root / "link");
    }
    void TearDown() override { fs::remove_all(m_root); }

    Tools::MountEntry entryAt(const fs::path& target, int id)
    {
        Tools::MountEntry entry;
        entry.source = "/dev/disk4s1";
        entry.target = target.string();
        entry.fsType = "fuseblk";
        entry.id = id;
        return entry;
    }

    fs::path m_root;
};

}

TEST_F(ExactUnmountTest, RefusesAFolderReachedThroughASymbolicLink)
{
    Tools::Outcome done = Tools::Unmounter::unmount(entryAt(m_root / "link/Data", 1), true);
    EXPECT_FALSE(done.ok);
    EXPECT_TRUE(fs::is_directory(m_root / "real/Data"));
}

TEST_F(ExactUnmountTest, RefusesWhenTheMountAtThePathIsAnotherOne)
{
    // The folder is no mount at all: what is found there is the mount of /tmp.
    Tools::Outcome done = Tools::Unmounter::unmount(entryAt(m_root / "real/Data", 999999), false);
    EXPECT_FALSE(done.ok);
    EXPECT_NE(done.error.find("no longer the mount it was"), std::string::npos) << done.error;
}

TEST_F(ExactUnmountTest, RefusesPathsThatNameNoFolderOfTheirOwn)
{
    for (const char* target : { "/", "relative/Data", "/tmp/..", "" })
        EXPECT_FALSE(Tools::Unmounter::unmount(entryAt(target, 1), false).ok) << target;
}

TEST_F(ExactUnmountTest, LeavesTheWorkingFolderAsItWas)
{
    fs::path before = fs::current_path();
    Tools::Unmounter::unmount(entryAt(m_root / "real/Data", 999999), false);
    EXPECT_EQ(fs::current_path(), before);
}
