#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "Platform/Foundation/FileHandle.h"
#include "Platform/Foundation/FileManager.h"
#include "support/TemporaryFolder.h"

namespace fs = std::filesystem;

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
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1) << "no temporary file left";

    auto failed = FileManager::writeAtomically(folder / "missing/table", "x");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().code, ENOENT);
    EXPECT_EQ(failed.error().description.find("The file \"table\" couldn't be saved"), 0u) << failed.error().description;
    EXPECT_EQ(FileManager::contents(folder / "missing/table").error().code, ENOENT);
}

TEST(FileManager, ReplacesOnlyTheFileItWasAskedToAndHandsThatFileBack)
{
    TemporaryFolder folder("files");
    const std::string path = folder / "table";
    ASSERT_TRUE(FileManager::writeAtomically(path, "mine\n"));
    FileStamp read = FileManager::stamp(path);

    // An editor saves a file of its own in the table's place after our read:
    // content made from the older file never goes over it.
    ASSERT_TRUE(FileManager::writeAtomically(folder / "table.saved", "theirs\n"));
    ASSERT_EQ(::rename((folder / "table.saved").c_str(), path.c_str()), 0);
    auto stale = FileManager::writeAtomically(path, "mine, changed\n", {.replacing = read});
    ASSERT_FALSE(stale);
    EXPECT_EQ(stale.error().code, ESTALE);
    EXPECT_EQ(*FileManager::contents(path), "theirs\n");

    // A program that opened the file before the replace writes to it after:
    // the old file comes back, and holds what it wrote once it closed it.
    read = FileManager::stamp(path);
    int writer = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    std::optional<FileHandle> replaced;
    FileStamp ours;
    ASSERT_TRUE(FileManager::writeAtomically(path, "theirs\nmine\n",
                                             {.replacing = read, .replaced = &replaced, .written = &ours}));
    ASSERT_TRUE(replaced);
    EXPECT_TRUE(replaced->stamp().isSameFile(read));
    EXPECT_EQ(FileManager::stamp(path), ours);
    ASSERT_EQ(::write(writer, "late\n", 5), 5);
    auto busy = replaced->waitForWriters(std::chrono::milliseconds(0));
    ASSERT_FALSE(busy);
    EXPECT_EQ(busy.error().code, ETIMEDOUT) << busy.error().description;
    ::close(writer);
    EXPECT_TRUE(replaced->waitForWriters(std::chrono::seconds(10)));
    EXPECT_EQ(*replaced->readToEnd(), "theirs\nlate\n");
    EXPECT_EQ(*FileManager::contents(path), "theirs\nmine\n");

    // A new file was asked for: one that appeared meanwhile is left alone.
    fs::remove(path);
    FileStamp none = FileManager::stamp(path);
    ASSERT_TRUE(FileManager::writeAtomically(path, "theirs\n"));
    auto taken = FileManager::writeAtomically(path, "mine\n", {.replacing = none});
    ASSERT_FALSE(taken);
    EXPECT_EQ(taken.error().code, ESTALE);
    EXPECT_EQ(*FileManager::contents(path), "theirs\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
        << "no temporary file left";
}

TEST(FileManager, FoldersEmptinessAndMountPoints)
{
    TemporaryFolder folder("files");
    EXPECT_TRUE(FileManager::isEmptyFolder(folder / "absent")) << "nothing there holds nothing";
    ASSERT_TRUE(FileManager::createDirectory(folder / "a/b", true));
    ASSERT_TRUE(FileManager::createDirectory(folder / "a/b", true)) << "being there already is fine with intermediates";
    EXPECT_FALSE(FileManager::createDirectory(folder / "a/b", false));
    EXPECT_TRUE(FileManager::isEmptyFolder(folder / "a/b"));
    ASSERT_TRUE(FileManager::writeAtomically(folder / "a/b/c", ""));
    EXPECT_FALSE(FileManager::isEmptyFolder(folder / "a/b"));
    EXPECT_FALSE(FileManager::isEmptyFolder(folder / "a/b/c")) << "a file is no empty folder";
    // A folder that cannot be read may hold anything. Root reads every
    // folder, so a process of nobody's asks.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod((folder / "a").c_str(), 0700), 0);
        pid_t child = ::fork();
        if (child == 0)
            ::_exit(::setuid(65534) == 0 && !FileManager::isEmptyFolder(folder / "a") ? 0 : 1);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "an unreadable folder counts as full";
    }

    EXPECT_TRUE(FileManager::isOwnFolder(folder / "a"));
    fs::create_directory_symlink(folder / "a", folder / "link");
    EXPECT_FALSE(FileManager::isOwnFolder(folder / "link")) << "a link to a folder of ours is not one";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((folder / "a").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(FileManager::isOwnFolder(folder / "a")) << "nor is another user's folder";
    }

    EXPECT_FALSE(FileManager::isMountPoint(folder / "a"));
    EXPECT_TRUE(FileManager::isMountPoint("/") && FileManager::isMountPoint("/proc"));

    for (auto [path, parent] : {std::pair{"/etc/fstab", "/etc"}, {"/fstab", "/"}, {"fstab", "."}, {"a/b/", "a/b"}})
        EXPECT_EQ(FileManager::folder(path), parent) << path;
}
