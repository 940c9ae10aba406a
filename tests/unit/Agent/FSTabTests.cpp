#include <gtest/gtest.h>

#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "Agent/FSTab.h"
#include "Platform/Foundation/FileManager.h"
#include "support/Fifo.h"
#include "support/FstabEntries.h"
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
    EXPECT_EQ(read(path), dataLine + "\n");
    EXPECT_EQ(info().st_mode & 07777, 0644u);
    // Names go in as given: empty, non-ASCII text.
    const std::string accented = "Donn\xC3\xA9" "es\xC2\xA0" "2";
    for (const std::string name : {"", "Data", accented.c_str()})
        table.add(name);
    table.remove("Data");  // the first of two
    table.remove("");
    EXPECT_EQ(read(path), dataLine + "\n" + entry(accented) + "\n");
}

TEST_F(FSTabTest, ALineAppendedByAnotherProgramStartsALineOfItsOwn)
{
    FSTab table(path);
    table.add("Data");
    {
        std::ofstream shell(path, std::ios::app);  // echo '...' >> /etc/fstab
        shell << "UUID=2222 /data ext4 defaults 0 2\n";
    }
    EXPECT_EQ(fstabEntries(path), (std::vector<FstabEntry>{{"LABEL=Data", "none", "ntfs", "rw,auto,nobrowse"},
                                                           {"UUID=2222", "/data", "ext4", "defaults"}}));
    table.remove("Data");
    EXPECT_EQ(read(path), "UUID=2222 /data ext4 defaults 0 2\n");
    table.clear();
    EXPECT_EQ(read(path), "UUID=2222 /data ext4 defaults 0 2\n");
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
    EXPECT_EQ(read(path), "# static table\n  UUID=1 / ext4 defaults 0 1 \n\tLABEL=x none ntfs ro\n" + dataLine + "\n");

    // A carriage return + line feed does not end a line.
    put(path, "a\r\nb\r\n");
    FSTab table(path);
    table.add("Data");
    EXPECT_EQ(read(path), "a\r\nb\r\n\n" + dataLine + "\n");
    table.remove("Data");
    EXPECT_EQ(read(path), "a\r\nb\r\n\n");
}

TEST_F(FSTabTest, ClearRemovesOnlyThisSystemsEntries)
{
    put(path, entry("A") + "\n# keep\n" + entry("") + "\nLABEL=B none ntfs rw\nLABEL=C none ntfs rw,auto,nobrowse \n"
                  + entry("My Disk"));
    FSTab(path).clear();
    EXPECT_EQ(read(path), "# keep\nLABEL=B none ntfs rw\nLABEL=C none ntfs rw,auto,nobrowse \n");

    fs::remove(path);
    FSTab(path).clear();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(read(path), "");
}

TEST_F(FSTabTest, NamesThatWouldChangeWhatTheLineMeansChangeNothing)
{
    // Lines with such names, written by hand, stay where they are.
    const std::string text = entry("a\tb") + "\n" + entry("a\xC2\x85") + "\n" + entry("My Disk") + "\n";
    put(path, text);
    FSTab table(path);
    const std::vector<std::string> refused{"x /etc ext4 rw 0 0 #", "My Disk", "a\tb", "a\nb", "a\rb",
                                           std::string("a\0b", 3), "a\x7F", "a\xC2\x85", "\xFF" "a",
                                           std::string(385, 'x')};
    for (const auto& name : refused) {
        table.add(name);
        table.remove(name);
    }
    EXPECT_EQ(read(path), text);
    std::string log = m_log.text();
    EXPECT_NE(log.find(" add(_:) [Line "), std::string::npos);
    EXPECT_NE(log.find(" remove(_:) [Line "), std::string::npos);
    EXPECT_NE(log.find("\"x /etc ext4 rw 0 0 #\""), std::string::npos) << log;
    EXPECT_EQ(log.find("a\nb"), std::string::npos) << "names are escaped in the log";

    // Whatever else a name holds, libmount reads the line as the mount of one
    // NTFS volume by its label.
    fs::remove(path);
    std::string chinese;
    for (int character = 0; character < 100; ++character)
        chinese += "数";
    const std::vector<std::string> accepted{"", "#x", "\"", "'", "a\\040b", "x=y,ro", "é\xC2\xA0z", chinese,
                                            std::string(384, 'x')};
    for (const auto& name : accepted)
        table.add(name);
    auto entries = fstabEntries(path);
    ASSERT_EQ(entries.size(), accepted.size()) << read(path);
    for (const auto& parsed : entries)
        EXPECT_TRUE(parsed.target == "none" && parsed.type == "ntfs" && parsed.options == "rw,auto,nobrowse")
            << parsed.source;
}

TEST_F(FSTabTest, RemoveUsesCanonicalEquivalence)
{
    const std::string composed = "Caf\xC3\xA9", decomposed = "Cafe\xCC\x81";
    put(path, entry(composed) + "\n" + entry(decomposed) + "\n" + entry("CAF\xC3\x89"));
    FSTab table(path);
    table.remove(decomposed);
    table.remove(composed);
    EXPECT_EQ(read(path), entry("CAF\xC3\x89") + "\n");
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
    EXPECT_EQ(read(path), "# theirs\n" + entry("A") + "\n" + entry("C") + "\n");

    // Once written, a change is not applied again.
    put(path, "# replaced\n");
    table.add("D");
    EXPECT_EQ(read(path), "# replaced\n" + entry("D") + "\n");
}

TEST_F(FSTabTest, OtherProgramsEditsAreKept)
{
    FSTab table(path);
    table.add("A");
    put(path, "# added elsewhere\n" + read(path) + "\nUUID=2 /home ext4 defaults 0 2\n");
    table.add("B");
    EXPECT_EQ(read(path), "# added elsewhere\n" + entry("A") + "\nUUID=2 /home ext4 defaults 0 2\n" + entry("B") + "\n");

    // Our entry was taken out by someone else: nothing left to remove, nothing written.
    put(path, "# only theirs\n");
    age();
    table.remove("A");
    EXPECT_EQ(info().st_mtim.tv_sec, 946684800);

    fs::remove(path);
    table.add("C");
    EXPECT_EQ(read(path), entry("C") + "\n");

    // A same-size rewrite within one timestamp tick leaves inode, size and time
    // as they were; the new lines are still seen.
    auto before = info();
    put(path, entry("X") + "\n");
    timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    table.add("D");
    EXPECT_EQ(read(path), entry("X") + "\n" + entry("D") + "\n");
}

TEST_F(FSTabTest, LinesAnotherProgramAppendsWhileAChangeIsSavedAreKept)
{
    put(path, "# mine\n");
    FSTab table(path);
    int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder.path().c_str(), IN_CREATE), 0);
    const int adds = 100;
    std::atomic<int> added = 0;
    int appended = 0;
    std::thread shell([&] {
        // Once per change, as its temporary file appears (the table has been
        // read, the new one is being written): echo '...' >> fstab.
        int lastChange = -1;
        char events[4096];
        while (added < adds) {
            pollfd ready{watch, POLLIN, 0};
            if (::poll(&ready, 1, 100) <= 0 || ::read(watch, events, sizeof events) <= 0)
                continue;
            if (added == lastChange)
                continue;
            lastChange = added;
            std::string line = "UUID=" + std::to_string(appended++) + " /mnt ext4 defaults 0 2\n";
            int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
            EXPECT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
            ::close(fd);
        }
    });
    for (int index = 0; index < adds; ++index) {
        table.add("V" + std::to_string(index));
        ++added;
    }
    shell.join();
    ::close(watch);
    auto entries = fstabEntries(path);
    auto count = [&](const std::string& type) {
        return std::count_if(entries.begin(), entries.end(), [&](auto& entry) { return entry.type == type; });
    };
    EXPECT_GT(appended, 0);
    EXPECT_EQ(count("ext4"), appended);
    EXPECT_EQ(count("ntfs"), adds);
}

TEST_F(FSTabTest, WhatAProgramWritesThroughTheReplacedFileIsKept)
{
    put(path, "# mine\n");
    FSTab table(path);
    // A program opened the table before our replace and writes to it only
    // after: a shell appending a line, then a program rewriting it in place.
    for (bool rewrite : {false, true}) {
        int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(::inotify_add_watch(watch, folder.path().c_str(), IN_MOVED_TO), 0);
        int held = ::open(path.c_str(), O_WRONLY | (rewrite ? 0 : O_APPEND) | O_CLOEXEC);
        ASSERT_GE(held, 0);
        std::thread change([&] { table.add(rewrite ? "B" : "A"); });
        char events[4096];
        bool replaced = false;
        while (!replaced && ::read(watch, events, sizeof events) > 0) {
            auto* event = reinterpret_cast<inotify_event*>(events);
            replaced = event->len > 0 && std::string(event->name) == "fstab";
        }
        const std::string text = rewrite ? "# theirs\n" : "UUID=2 /data ext4 defaults 0 2\n";
        if (rewrite) {
            EXPECT_EQ(::pwrite(held, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
            EXPECT_EQ(::ftruncate(held, static_cast<off_t>(text.size())), 0);
        } else {
            EXPECT_EQ(::write(held, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        }
        ::close(held);
        change.join();
        ::close(watch);
        // Appended lines go on the end; a rewritten file gets the change made on it.
        EXPECT_EQ(read(path), rewrite ? "# theirs\n" + entry("B") + "\n"
                                      : "# mine\n" + entry("A") + "\n" + text);
    }
}

TEST_F(FSTabTest, ALinkIsFollowedLeftoversGoAndAFifoIsNeverWaitedOn)
{
    // The table as a link into another folder: its target is replaced there,
    // where a killed agent left a temporary file; the link stays.
    folder.write("real/fstab", "# mine\n");
    folder.write("real/.fstab.partial-Ab12Cd", "# half a table");
    fs::create_symlink("real/fstab", path);
    FSTab table(path);
    table.add("Data");
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(read(path), "# mine\n" + dataLine + "\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), fs::directory_iterator()), 1) << "only the table";

    // A FIFO in the table's place is refused, not read.
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    EXPECT_TRUE(finishesWithoutWaitingOnFifo(path, [&] {
        FSTab fifo(path);
        fifo.add("Data");
    }));
    EXPECT_TRUE(fs::is_fifo(path));
    EXPECT_NE(m_log.text().find("not a regular file"), std::string::npos) << m_log.text();
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
    EXPECT_EQ(read(path), "# repaired\n" + entry("New") + "\n");

    // Without the clear, the remove made while unreadable is applied as well.
    put(path, "\xFF");
    FSTab other(path);
    other.remove("Old");
    other.add("Data");
    put(path, repaired);
    other.save();
    EXPECT_EQ(read(path), "# repaired\n" + entry("Other") + "\n" + dataLine + "\n");

    // A folder in the file's place, likewise.
    fs::remove(path);
    fs::create_directory(path);
    FSTab blocked(path);
    blocked.add("Data");
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);
    blocked.add("Other");
    EXPECT_EQ(read(path), dataLine + "\n" + entry("Other") + "\n");
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
    EXPECT_EQ(read(path), "# mine\n" + dataLine + "\n");
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
    EXPECT_EQ(read(path), "# theirs\n" + dataLine + "\n");
}

}  // namespace
