#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "Agent/FSTab.h"
#include "support/TestLog.h"

namespace fs = std::filesystem;

namespace {

std::string entry(const std::string& name) { return "LABEL=" + name + " none ntfs rw,auto,nobrowse"; }
const std::string dataLine = entry("Data");

void put(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
std::string read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class FSTabTest : public ::testing::Test {
protected:
    TestLog m_log;
    TemporaryFolder folder{"fstab"};
    std::string path = folder / "fstab";

    // Puts the modification time far in the past so an unwanted write shows.
    void age() const
    {
        timespec times[2] = {{946684800, 0}, {946684800, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    struct stat info() const
    {
        struct stat result {};
        EXPECT_EQ(::stat(path.c_str(), &result), 0);
        return result;
    }
};

TEST_F(FSTabTest, AddAndRemoveWriteExactLines)
{
    FSTab table(path);
    table.add("Data");
    EXPECT_EQ(read(path), dataLine) << "no line end after the last line";
    EXPECT_EQ(info().st_mode & 07777, 0644u);
    // Names go in as given: spaces, empty, non-ASCII text.
    const std::string accented = "Donn\xC3\xA9" "es\xC2\xA0" "2";
    for (const std::string name : {"My Disk", "", "Data", accented.c_str()})
        table.add(name);
    table.remove("Data");  // the first of two
    table.remove("My Disk");
    table.remove("");
    EXPECT_EQ(read(path), dataLine + "\n" + entry(accented));
}

TEST_F(FSTabTest, RemoveWithoutMatchWritesNothing)
{
    FSTab(path).remove("Data");
    EXPECT_FALSE(fs::exists(path));

    const std::string text = "# mine\n" + entry("Data ") + "\nLABEL=Data  none ntfs rw,auto,nobrowse\n";
    put(path, text);
    age();
    auto before = info();
    FSTab table(path);
    table.remove("Data");  // neither a trailing blank nor other spacing matches
    table.remove("data");
    EXPECT_EQ(info().st_ino, before.st_ino);
    EXPECT_EQ(info().st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(read(path), text);
}

TEST_F(FSTabTest, OtherLinesStayByteForByte)
{
    put(path, "\n\n# static table\n\n  UUID=1 / ext4 defaults 0 1 \n\n\n\tLABEL=x none ntfs ro\n\n");
    FSTab(path).add("Data");
    EXPECT_EQ(read(path), "# static table\n  UUID=1 / ext4 defaults 0 1 \n\tLABEL=x none ntfs ro\n" + dataLine);

    // A carriage return + line feed does not end a line.
    put(path, "a\r\nb\r\n");
    FSTab table(path);
    table.add("Data");
    EXPECT_EQ(read(path), "a\r\nb\r\n\n" + dataLine);
    table.remove("Data");
    EXPECT_EQ(read(path), "a\r\nb\r\n");
}

TEST_F(FSTabTest, ClearRemovesOnlyThisSystemsEntries)
{
    put(path, entry("A") + "\n# keep\n" + entry("") + "\nLABEL=B none ntfs rw\nLABEL=C none ntfs rw,auto,nobrowse \n"
                  + entry("My Disk"));
    FSTab(path).clear();
    EXPECT_EQ(read(path), "# keep\nLABEL=B none ntfs rw\nLABEL=C none ntfs rw,auto,nobrowse ");

    fs::remove(path);
    FSTab(path).clear();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(read(path), "");
}

TEST_F(FSTabTest, NamesWithControlCharactersChangeNothing)
{
    // Lines with such names, written by hand, stay where they are.
    const std::string text = entry("a\tb") + "\n" + entry("a\xC2\x85");
    put(path, text);
    FSTab table(path);
    for (const auto& name : {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3), std::string("a\tb"),
                             std::string("a\x7F"), std::string("a\xC2\x85"), std::string("a\xC2\x9F"), std::string("\xFF" "a")})
        table.add(name);
    table.remove("a\tb");
    table.remove("a\xC2\x85");
    EXPECT_EQ(read(path), text);
}

TEST_F(FSTabTest, RemoveUsesCanonicalEquivalence)
{
    const std::string composed = "Caf\xC3\xA9", decomposed = "Cafe\xCC\x81";
    put(path, entry(composed) + "\n" + entry(decomposed) + "\n" + entry("CAF\xC3\x89"));
    FSTab table(path);
    table.remove(decomposed);
    table.remove(composed);
    EXPECT_EQ(read(path), entry("CAF\xC3\x89"));
}

TEST_F(FSTabTest, FailedWritesAreAppliedByTheNextSuccessfulOne)
{
    path = folder / "etc/fstab";
    FSTab table(path);
    table.add("A");
    table.add("B");
    table.remove("B");
    EXPECT_FALSE(fs::exists(path));

    // Meanwhile the folder appears, and someone writes a table into it.
    fs::create_directory(folder / "etc");
    put(path, "# theirs\n");
    table.add("C");
    EXPECT_EQ(read(path), "# theirs\n" + entry("A") + "\n" + entry("C"));

    // Once written, a change is not applied again.
    put(path, "# replaced\n");
    table.add("D");
    EXPECT_EQ(read(path), "# replaced\n" + entry("D"));
}

TEST_F(FSTabTest, OtherProgramsEditsAreKept)
{
    FSTab table(path);
    table.add("A");
    put(path, "# added elsewhere\n" + read(path) + "\nUUID=2 /home ext4 defaults 0 2\n");
    table.add("B");
    EXPECT_EQ(read(path), "# added elsewhere\n" + entry("A") + "\nUUID=2 /home ext4 defaults 0 2\n" + entry("B"));

    // Our entry was taken out by someone else: nothing left to remove, nothing written.
    put(path, "# only theirs\n");
    age();
    table.remove("A");
    EXPECT_EQ(info().st_mtim.tv_sec, 946684800);

    fs::remove(path);
    table.add("C");
    EXPECT_EQ(read(path), entry("C"));

    // A same-size rewrite within one timestamp tick leaves inode, size and time
    // as they were; the new lines are still seen.
    auto before = info();
    put(path, entry("X"));
    timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    table.add("D");
    EXPECT_EQ(read(path), entry("X") + "\n" + entry("D"));
}

TEST_F(FSTabTest, UnreadableFileIsNeverOverwritten)
{
    const std::string binary = entry("A") + "\n\xFF\xFE broken\n";
    put(path, binary);
    FSTab table(path);
    table.add("Data");
    table.remove("Old");
    table.clear();
    table.save();
    EXPECT_EQ(read(path), binary);
    std::string log = m_log.text();
    EXPECT_TRUE(log.find("init()") != std::string::npos && log.find("save()") != std::string::npos) << log;

    // Repaired by hand: the waiting changes apply to what the file holds now.
    const std::string repaired = "# repaired\n" + entry("Old") + "\n" + entry("Other") + "\n";
    put(path, repaired);
    table.add("New");
    EXPECT_EQ(read(path), "# repaired\n" + entry("New"));

    // Without the clear, the remove made while unreadable is applied as well.
    put(path, "\xFF");
    FSTab other(path);
    other.remove("Old");
    other.add("Data");
    put(path, repaired);
    other.save();
    EXPECT_EQ(read(path), "# repaired\n" + entry("Other") + "\n" + dataLine);

    // A folder in the file's place, likewise.
    fs::remove(path);
    fs::create_directory(path);
    FSTab blocked(path);
    blocked.add("Data");
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);
    blocked.add("Other");
    EXPECT_EQ(read(path), dataLine + "\n" + entry("Other"));
}

TEST_F(FSTabTest, ModeAndOwnerAreKept)
{
    put(path, "# mine\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 1234, 2345), 0);
    }
    FSTab(path).add("Data");
    EXPECT_EQ(info().st_mode & 07777, 0640u);
    if (root) {
        EXPECT_TRUE(info().st_uid == 1234u && info().st_gid == 2345u);
    }
    EXPECT_EQ(read(path), "# mine\n" + dataLine);
}

TEST_F(FSTabTest, ChangesWaitForTheTableLock)
{
    put(path, "# mine\n");
    FSTab table(path);
    int fd = ::open((folder / ".fstab.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::atomic<bool> done = false;
    std::thread writer([&] {
        table.add("Data");
        done = true;
    });
    // Another updater holding the lock rewrites the table; our change must land on top.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);
    put(path, "# theirs\n");
    ::close(fd);
    writer.join();
    EXPECT_EQ(read(path), "# theirs\n" + dataLine);
}

}  // namespace
