#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Platform/Foundation/FileManager.h"
#include "support/TemporaryFolder.h"

TEST(FileManager, AtomicReplacementKeepsModeAndLeavesNoTemporaryFile)
{
    TemporaryFolder folder("files");
    const std::string path = folder / "table";
    struct stat info {};
    ASSERT_FALSE(FileManager::writeAtomically(path, "one"));
    EXPECT_TRUE(::stat(path.c_str(), &info) == 0 && (info.st_mode & 07777) == 0644u) << "a new file";
    ::chmod(path.c_str(), 0600);
    ASSERT_FALSE(FileManager::writeAtomically(path, "two", 0644));
    EXPECT_TRUE(::stat(path.c_str(), &info) == 0 && (info.st_mode & 07777) == 0600u) << "a replaced file keeps its mode";
    EXPECT_EQ(*FileManager::contents(path), "two");
    EXPECT_EQ(FileManager::subpaths(folder.path()), std::vector<std::string>{"table"});

    auto error = FileManager::writeAtomically(folder / "missing/table", "x");
    ASSERT_TRUE(error);
    EXPECT_NE(error->description.find("couldn’t be saved"), std::string::npos);
}

TEST(FileManager, SubpathsAndMountPoints)
{
    TemporaryFolder folder("files");
    EXPECT_TRUE(FileManager::subpaths(folder / "absent").empty());
    FileManager::createDirectory(folder / "a/b", true);
    FileManager::writeAtomically(folder / "a/b/c", "");
    EXPECT_EQ(FileManager::subpaths(folder.path()), (std::vector<std::string>{"a", "a/b", "a/b/c"}));
    EXPECT_FALSE(FileManager::isMountPoint(folder / "a"));
    EXPECT_TRUE(FileManager::isMountPoint("/") && FileManager::isMountPoint("/proc"));
}
