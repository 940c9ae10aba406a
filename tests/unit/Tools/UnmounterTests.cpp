#include "Platform/Foundation/MountTable.h"
#include "Tools/Common/Unmounter.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The exact unmount must refuse before umount2 is reached, so nothing is
// ever mounted on these folders: the refusals are what is tested.
MountEntry entryAt(const std::string& target, int id)
{
    MountEntry entry;
    entry.source = "/dev/disk4s1";
    entry.target = target;
    entry.fsType = "fuseblk";
    entry.id = id;
    return entry;
}

}

TEST(ExactUnmount, RefusesLinksPathsOfNoFolderAndReplacedMounts)
{
    TemporaryFolder root("unmount-test");
    fs::create_directories(root / "real/Data");
    fs::create_directory_symlink(root / "real", root / "link");
    fs::path before = fs::current_path();

    EXPECT_FALSE(Tools::Unmounter::unmount(entryAt(root / "link/Data", 1), true)) << "reached through a symbolic link";
    EXPECT_TRUE(fs::is_directory(root / "real/Data"));

    for (const char* target : { "/", "relative/Data", "/tmp/..", "" })
        EXPECT_FALSE(Tools::Unmounter::unmount(entryAt(target, 1), false)) << target;

    // The folder is no mount at all: what is found there is the mount of /tmp.
    Expected<void> done = Tools::Unmounter::unmount(entryAt(root / "real/Data", 999999), false);
    ASSERT_FALSE(done);
    EXPECT_NE(done.error().description.find("no longer the mount it was"), std::string::npos) << done.error().description;
    EXPECT_EQ(fs::current_path(), before);
}
