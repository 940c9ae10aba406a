#include <gtest/gtest.h>

#include "support/TemporaryFolder.h"
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "Agent/FSTab.h"
#include "Shared/Console.h"

namespace fs = std::filesystem;

namespace {

const std::string dataLine = "LABEL=Data none ntfs rw,auto,nobrowse";

std::string entry(const std::string& name) { return "LABEL=" + name + " none ntfs rw,auto,nobrowse"; }

class FSTabTest : public ::testing::Test {
protected:
    TemporaryFolder folder{"fstab"};
    std::string dir = folder.path();
    std::string path = folder / "fstab";

    static void put(const std::string& file, const std::string& text)
    {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }
    static std::string read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Puts the file's modification time far in the past so an unwanted write shows.
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

TEST_F(FSTabTest, FirstAddCreatesTheFileWithOneEntryAndNoLineEnd)
{
    FSTab table(path);
    EXPECT_TRUE(table.volumes().empty());
    table.add("Data");
    EXPECT_EQ(read(path), dataLine);
    EXPECT_EQ(read(path).size(), 37u);
    EXPECT_EQ(info().st_mode & 07777, 0644u);
    EXPECT_EQ(table.volumes(), std::vector<std::string>{dataLine});
}

TEST_F(FSTabTest, AddingTwiceGivesTwoLinesAndRemoveDeletesTheFirst)
{
    FSTab table(path);
    table.add("Data");
    table.add("Other");
    table.add("Data");
    EXPECT_EQ(read(path), dataLine + "\n" + entry("Other") + "\n" + dataLine);
    table.remove("Data");
    EXPECT_EQ(read(path), entry("Other") + "\n" + dataLine);
}

TEST_F(FSTabTest, RemoveWithoutEntryWritesNothing)
{
    FSTab missing(path);
    missing.remove("Data");
    EXPECT_FALSE(fs::exists(path));

    put(path, "# mine\n" + entry("Data ") + "\nLABEL=Data  none ntfs rw,auto,nobrowse\n");
    age();
    auto before = info();
    FSTab table(path);
    table.remove("Data");  // neither a trailing blank nor other spacing matches
    table.remove("data");
    auto after = info();
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(read(path), "# mine\n" + entry("Data ") + "\nLABEL=Data  none ntfs rw,auto,nobrowse\n");
}

TEST_F(FSTabTest, BlankLinesAndFinalLineFeedGoOtherLinesStayByteForByte)
{
    const std::string kept = "# static table\n  UUID=1 / ext4 defaults 0 1 \n\tLABEL=x none ntfs ro\n";
    put(path, "\n\n# static table\n\n  UUID=1 / ext4 defaults 0 1 \n\n\n\tLABEL=x none ntfs ro\n\n");
    FSTab table(path);
    EXPECT_EQ(table.volumes().size(), 3u);
    table.add("Data");
    EXPECT_EQ(read(path), kept + dataLine);
}

TEST_F(FSTabTest, CarriageReturnLineFeedDoesNotSplit)
{
    put(path, "a\r\nb\r\n");
    FSTab table(path);
    EXPECT_EQ(table.volumes(), std::vector<std::string>{"a\r\nb\r\n"});
    table.add("Data");
    EXPECT_EQ(read(path), "a\r\nb\r\n\n" + dataLine);
    // Read again from disk, the joining line feed still separates the two.
    FSTab again(path);
    EXPECT_EQ(again.volumes(), (std::vector<std::string>{"a\r\nb\r\n", dataLine}));
    again.remove("Data");
    EXPECT_EQ(read(path), "a\r\nb\r\n");
}

TEST_F(FSTabTest, ClearRemovesOnlyThisSystemsEntries)
{
    put(path, entry("A") + "\n# keep\n" + entry("") + "\nLABEL=B none ntfs rw\nLABEL=C none ntfs rw,auto,nobrowse \n"
                  + entry("My Disk"));
    FSTab table(path);
    table.clear();
    EXPECT_EQ(read(path), "# keep\nLABEL=B none ntfs rw\nLABEL=C none ntfs rw,auto,nobrowse ");

    put(path, entry("A") + "\n" + entry("B") + "\n");
    FSTab onlyEntries(path);
    onlyEntries.clear();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(read(path), "");

    fs::remove(path);
    FSTab missing(path);
    missing.clear();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(FSTabTest, NamesAreWrittenAsGiven)
{
    FSTab table(path);
    table.add("My Disk");
    table.add("");
    table.add("Donn\xC3\xA9" "es\xC2\xA0" "2");  // é and a no-break space are ordinary text
    EXPECT_EQ(read(path), "LABEL=My Disk none ntfs rw,auto,nobrowse\nLABEL= none ntfs rw,auto,nobrowse\n"
                          + entry("Donn\xC3\xA9" "es\xC2\xA0" "2"));
    table.remove("My Disk");
    table.remove("");
    EXPECT_EQ(read(path), entry("Donn\xC3\xA9" "es\xC2\xA0" "2"));
}

TEST_F(FSTabTest, ControlCharactersInNamesChangeNothing)
{
    // Lines with such names, written by hand, stay where they are.
    const std::string text = entry("a\tb") + "\n" + entry("a\xC2\x85");
    put(path, text);
    FSTab table(path);
    const std::vector<std::string> names = {"a\nb", "a\rb", std::string("a\0b", 3), "a\tb", "a\x7F", "a\xC2\x85",
                                            "a\xC2\x9F", "\xFF" "a"};
    for (const auto& name : names)
        table.add(name);
    table.remove("a\tb");
    table.remove("a\xC2\x85");
    EXPECT_EQ(read(path), text);
    EXPECT_EQ(table.volumes(), (std::vector<std::string>{entry("a\tb"), entry("a\xC2\x85")}));
}

TEST_F(FSTabTest, RemoveUsesCanonicalEquivalence)
{
    const std::string composed = "Caf\xC3\xA9", decomposed = "Cafe\xCC\x81";
    put(path, entry(composed) + "\n" + entry(decomposed) + "\n" + entry("CAF\xC3\x89"));
    FSTab table(path);
    table.remove(decomposed);
    EXPECT_EQ(read(path), entry(decomposed) + "\n" + entry("CAF\xC3\x89"));
    table.remove(composed);
    EXPECT_EQ(read(path), entry("CAF\xC3\x89"));
}

TEST_F(FSTabTest, FailedWritesAreAppliedByTheNextSuccessfulOne)
{
    path = dir + "/etc/fstab";
    FSTab table(path);
    table.add("A");
    table.add("B");
    table.remove("B");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(table.volumes(), std::vector<std::string>{entry("A")});

    // Meanwhile the folder appears, and someone writes a table into it.
    fs::create_directory(dir + "/etc");
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

    // A rewrite in place of the same size within one timestamp tick leaves inode,
    // size and time as they were; the new lines are still seen.
    auto before = info();
    put(path, entry("X"));
    timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    table.add("D");
    EXPECT_EQ(read(path), entry("X") + "\n" + entry("D"));
}

TEST_F(FSTabTest, UnreadableFileIsNeverOverwritten)
{
    const std::string binary = "LABEL=A none ntfs rw,auto,nobrowse\n\xFF\xFE broken\n";
    put(path, binary);
    FSTab table(path);
    EXPECT_TRUE(table.volumes().empty());
    table.add("Data");
    table.remove("Old");
    table.clear();
    table.save();
    EXPECT_EQ(read(path), binary);

    std::string log = read(Console::programLogPath());
    EXPECT_NE(log.find("init()"), std::string::npos);
    EXPECT_NE(log.find("save()"), std::string::npos);

    // Repaired by hand: the waiting changes apply to what the file holds now.
    put(path, "# repaired\n" + entry("Old") + "\n" + entry("Other") + "\n");
    table.add("New");
    EXPECT_EQ(read(path), "# repaired\n" + entry("New"));

    // Without the clear, the remove made while unreadable is applied as well.
    put(path, "\xFF");
    FSTab other(path);
    other.remove("Old");
    other.add("Data");
    put(path, "# repaired\n" + entry("Old") + "\n" + entry("Other") + "\n");
    other.save();
    EXPECT_EQ(read(path), "# repaired\n" + entry("Other") + "\n" + dataLine);

    // A folder in the file's place, likewise.
    fs::remove(path);
    fs::create_directory(path);
    FSTab folder(path);
    folder.add("Data");
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);
    folder.add("Other");
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
    FSTab table(path);
    table.add("Data");
    auto after = info();
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(after.st_uid, 1234u);
        EXPECT_EQ(after.st_gid, 2345u);
    }
    EXPECT_EQ(read(path), "# mine\n" + dataLine);
}

TEST_F(FSTabTest, ChangesWaitForTheTableLock)
{
    put(path, "# mine\n");
    FSTab table(path);
    int fd = ::open((dir + "/.fstab.lock").c_str(), O_RDWR | O_CREAT, 0600);
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
