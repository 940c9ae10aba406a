#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/Foundation/FileManager.h"
#include "support/TemporaryFolder.h"

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace

TEST(FileManager, AtomicReplacementSetsModeAndOwnerAndLeavesNoTemporaryFile)
{
    TemporaryFolder folder("files");
    const std::string path = folder / "table";
    ASSERT_TRUE(FileManager::writeAtomically(path, "one", {.newFileMode = 0600}));
    EXPECT_EQ(modeOf(path), 0600u) << "a new file";
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(FileManager::writeAtomically(path, "two"));
    EXPECT_EQ(modeOf(path), 0640u) << "a replaced file keeps its mode";
    ASSERT_TRUE(FileManager::writeAtomically(path, "three", {.mode = 0755, .owner = std::pair{::geteuid(), ::getegid()}}));
    EXPECT_EQ(modeOf(path), 0755u) << "a mode asked for replaces the old one";
    EXPECT_EQ(*FileManager::contents(path), "three");
    EXPECT_EQ(FileManager::subpaths(folder.path()), std::vector<std::string>{"table"});

    auto failed = FileManager::writeAtomically(folder / "missing/table", "x");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().code, ENOENT);
    EXPECT_EQ(failed.error().description.find("The file \"table\" couldn't be saved"), 0u) << failed.error().description;
    EXPECT_EQ(FileManager::contents(folder / "missing/table").error().code, ENOENT);
}

TEST(FileManager, FoldersSubpathsAndMountPoints)
{
    TemporaryFolder folder("files");
    EXPECT_TRUE(FileManager::subpaths(folder / "absent").empty());
    ASSERT_TRUE(FileManager::createDirectory(folder / "a/b", true));
    ASSERT_TRUE(FileManager::createDirectory(folder / "a/b", true)) << "being there already is fine with intermediates";
    EXPECT_FALSE(FileManager::createDirectory(folder / "a/b", false));
    ASSERT_TRUE(FileManager::writeAtomically(folder / "a/b/c", ""));
    EXPECT_EQ(FileManager::subpaths(folder.path()), (std::vector<std::string>{"a", "a/b", "a/b/c"}));
    EXPECT_FALSE(FileManager::isMountPoint(folder / "a"));
    EXPECT_TRUE(FileManager::isMountPoint("/") && FileManager::isMountPoint("/proc"));

    for (auto [path, parent] : {std::pair{"/etc/fstab", "/etc"}, {"/fstab", "/"}, {"fstab", "."}, {"a/b/", "a/b"}})
        EXPECT_EQ(FileManager::folder(path), parent) << path;
}
