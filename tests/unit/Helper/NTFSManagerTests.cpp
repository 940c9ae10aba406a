#include <gmock/gmock.h>

#include <algorithm>
#include <thread>

#include "Helper/NTFSManager/NTFSManager.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/RunLoop.h"
#include "Shared/Console.h"
#include "support/ToolDoubles.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Status = VolumeModel::Status;

namespace {

class NTFSManagerTest : public ::testing::Test {
protected:
    void SetUp() override { Console::shared().clear(); }

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (auto& volume : manager.previousInsertedNTFSVolumes())
            out.push_back(volume->name + "@" + volume->ID);
        return out;
    }
    size_t infoCalls(const std::string& id) const
    {
        auto calls = doubles.calls("diskutil");
        return std::count_if(calls.begin(), calls.end(), [&](auto& call) {
            return call.arguments.size() == 2 && call.arguments[0] == "info" && call.arguments[1] == id;
        });
    }
    void plug(const std::string& id, const std::string& name, const std::string& mounted = "Yes")
    {
        doubles.setInfo(id, ToolDoubles::info(name, mounted, "NTFS"));
    }

    ToolDoubles doubles;
    NTFSManager manager{doubles.environment()};
};

const std::string kRows = ToolDoubles::listing({
    "   0:     FDisk_partition_scheme                        *1.0 GB     disk4",
    "   1:               Windows_NTFS Data                    500 MB     disk4s1",
    "   2:                 Apple_APFS Container disk5         500 MB     disk4s2",
    "   3:                       Linux Other                  100 MB     disk4s3",
    "    ",
});

}  // namespace

TEST_F(NTFSManagerTest, ListingClassificationAndOrder)
{
    doubles.setList(kRows);
    doubles.setInfo("disk4", "   Device Identifier:         disk4\n   Volume Name:               Not applicable (no file system)\n   Mounted:                   Not applicable (no file system)\n");
    plug("disk4s1", "Data");
    doubles.setInfo("disk4s3", ToolDoubles::info("Other", "Yes", "ext4"));
    doubles.setDf("Filesystem Size Used Avail Capacity Mounted on\n/dev/disk4s1 500M 1M 499M 1% /Volumes/Data\n");
    doubles.settings().setManagerStyle(true);

    manager.run();
    EXPECT_THAT(manager.previousInsertedVolumeIDs(), ElementsAre("disk4", "disk4s1", "disk4s3"))
        << "the APFS line never reaches the info command, nor the line of blanks";
    EXPECT_THAT(names(), ElementsAre("Data@disk4s1"));
    EXPECT_EQ(manager.previousInsertedNTFSVolumes()[0]->status(), Status::umounted) << "manual mode mounts nothing";
    EXPECT_THAT(unitLog(), HasSubstr("[\"Data\", \"    Yes\", \"   NTFS\"]"));
    EXPECT_THAT(unitLog(), HasSubstr("NOT NTFS"));

    manager.run();
    EXPECT_EQ(infoCalls("disk4s3"), 1u) << "an identifier is examined once while present";
    EXPECT_EQ(doubles.calls("df").size(), 2u);
    EXPECT_EQ(doubles.calls("diskutil").size(), 5u) << "a steady cycle is one listing (and one df)";
}

TEST_F(NTFSManagerTest, AutomaticModeMountsNewVolumesAndCleansUpAfterThem)
{
    doubles.setList(kRows);
    plug("disk4s1", "My Data");
    manager.run();
    ASSERT_THAT(names(), ElementsAre("My Data@disk4s1")) << "automatic mode accepts a name with a space";
    auto volume = manager.previousInsertedNTFSVolumes()[0];
    EXPECT_EQ(volume->status(), Status::mounted);
    EXPECT_EQ(doubles.calls("mount_ntfs").size(), 1u);
    EXPECT_TRUE(FileManager::fileExists(doubles.home() + "/Desktop/My Data/.volume-contents"));

    // Ejected from the desktop: not in df any more, its folder empty.
    doubles.setDf("Filesystem Size\n");
    ::unlink((doubles.home() + "/Desktop/My Data/.volume-contents").c_str());
    manager.run();
    EXPECT_EQ(volume->status(), Status::umounted);
    EXPECT_FALSE(FileManager::fileExists(doubles.home() + "/Desktop/My Data"));

    // Unplugged: gone from the lists; plugged again: a new volume.
    doubles.setList("");
    manager.run();
    EXPECT_THAT(names(), IsEmpty());
    EXPECT_THAT(manager.previousInsertedVolumeIDs(), IsEmpty());
    EXPECT_THAT(unitLog(), HasSubstr("run() [Line"));
    EXPECT_THAT(unitLog(), HasSubstr("remove disk4s1\n"));
    doubles.setList(kRows);
    manager.run();
    ASSERT_EQ(manager.previousInsertedNTFSVolumes().size(), 1u);
    EXPECT_NE(manager.previousInsertedNTFSVolumes()[0], volume);
}

TEST_F(NTFSManagerTest, UnmountedVolumesAreExaminedEveryCycleUntilMounted)
{
    doubles.setList(kRows);
    plug("disk4s1", "Data", "No");
    manager.run();
    manager.run();
    EXPECT_EQ(infoCalls("disk4s1"), 2u);
    EXPECT_THAT(names(), IsEmpty());
    EXPECT_THAT(unitLog(), HasSubstr("No mounted system"));
    plug("disk4s1", "Data", "Yes");
    manager.run();
    EXPECT_THAT(names(), ElementsAre("Data@disk4s1"));
}

TEST_F(NTFSManagerTest, NameAlignmentAndManualModeSpaces)
{
    doubles.settings().setManagerStyle(true);
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS A 1 GB disk4s1", "   2: Windows_NTFS B 1 GB disk4s2",
                                          "   3: Windows_NTFS C 1 GB disk4s3", "   4: Windows_NTFS D 1 GB disk4s4",
                                          "   5: Windows_NTFS E 1 GB disk4s5"}));
    doubles.setInfo("disk4s1", ToolDoubles::info("Two Words", "Yes", "NTFS"));
    doubles.setInfo("disk4s2", ToolDoubles::info("Short", "Yes", "NTFS", 14));
    doubles.setInfo("disk4s3", ToolDoubles::info("Long", "Yes", "NTFS", 16));
    doubles.setInfo("disk4s4", ToolDoubles::info("x:Other", "Yes", "Tuxera NTFS"));
    // A key's words in a name show in its mount point's line as well.
    doubles.setInfo("disk4s5", ToolDoubles::info("Mounted:No", "Yes", "NTFS")
                                   + "   Mount Point:               /Volumes/Mounted:No\n");
    manager.run();
    EXPECT_THAT(names(), ElementsAre("x:Other@disk4s4", "Mounted:No@disk4s5"))
        << "a name is all after its key's colon, and a driver's NTFS counts";
    std::string log = unitLog();
    size_t first = log.find("卷名不能包含空格");
    size_t count = 0;
    for (size_t at = first; at != std::string::npos; at = log.find("卷名不能包含空格", at + 1))
        ++count;
    EXPECT_EQ(count, 3u) << "two words, and the leftover spaces of 14 and 16";
}

TEST_F(NTFSManagerTest, AgentAnswersRemountAndOnlyRootIsHeard)
{
    auto answer = [&](std::optional<PropertyListValue> object, uid_t sender = 0) {
        manager.eventCallBackNotification(Notification{"top.kestrova.macOS.Parvex.Helper.do.Finsh", object, sender});
    };
    answer(std::string("add,Data"));
    answer(std::string("remove,Data"));
    answer(std::string("noop,Data"));
    answer(std::string("add,"));
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount Data\ndiskutil mount Data\nopen /Volumes/Data",
                                               "diskutil umount Data", "",
                                               "diskutil umount ''\ndiskutil mount ''\nopen /Volumes/''"))
        << "an empty name is still an argument, never none";
    doubles.forget();
    answer(std::string("add"));
    answer(std::string("add,a,b"));
    for (int forged = 0; forged < 1000; ++forged)
        answer(std::string("add,Data"), 1000);
    EXPECT_THAT(doubles.scripts(), IsEmpty());
    const std::string log = unitLog();
    EXPECT_NE(log.find("Ignored an answer from user id 1000"), std::string::npos);
    EXPECT_EQ(log.find("Ignored an answer from user id 1000"), log.rfind("Ignored an answer from user id 1000"))
        << "a flood of forged answers is one line";
    answer(std::nullopt);
    answer(PropertyListValue(std::int64_t{3}));
    EXPECT_THAT(unitLog(), HasSubstr("eventCallBackNotification(notification:) [Line"));
    EXPECT_THAT(unitLog(), HasSubstr("错误的指令"));

    // Through the notification center, as the agent's answers arrive.
    doubles.forget();
    ASSERT_TRUE(doubles.environment()->notify.post("top.kestrova.macOS.Parvex.Helper.do.Finsh", std::string("remove,Data")));
    RunLoop::main().runUntil([&] { return !doubles.scripts().empty(); }, 5);
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount Data"));
}

TEST_F(NTFSManagerTest, OverlappingCyclesAreTurnedAwayAndListsStaySafeToRead)
{
    doubles.setList(kRows);
    plug("disk4s1", "Data");
    doubles.setInfo("disk4s3", ToolDoubles::info("Other", "Yes", "NTFS"));
    std::atomic<bool> done{false};
    std::thread reader([&] {
        // What the menu does on the main thread while a scan runs.
        while (!done) {
            for (auto& volume : manager.previousInsertedNTFSVolumes())
                (void)(volume->name + volume->ID).size();
            (void)manager.previousInsertedVolumeIDs().size();
        }
    });
    std::thread first([&] { manager.run(); });
    std::thread second([&] { manager.run(); });
    first.join();
    second.join();
    manager.run();
    done = true;
    reader.join();
    EXPECT_THAT(names(), ElementsAre("Data@disk4s1", "Other@disk4s3"));
    EXPECT_FALSE(manager.isRunning());
}

TEST_F(NTFSManagerTest, MountTableChangesScanAtOnceAndABurstDuringACycleAddsOneCycle)
{
    doubles.settings().setManagerStyle(true);
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS Data 1 GB disk4s1"}));
    plug("disk4s1", "Data");
    manager.mountTableDidChange();
    EXPECT_THAT(names(), ElementsAre("Data@disk4s1")) << "a change with no cycle under way scans at once";

    // A tick's cycle, past its listing, is held while a burst of changes
    // comes, one of them a new volume it has missed.
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::atomic<int> cycles{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    auto record = doubles.environment()->scriptObserver;
    doubles.environment()->scriptObserver = [&](const std::string& script) {
        record(script);
        if (script.starts_with("diskutil list")) {
            most = std::max(most.load(), ++running);
            ++cycles;
        } else if (script == "df -h") {
            if (!inside.exchange(true)) {
                while (!release)
                    std::this_thread::yield();
            }
            --running;
        }
    };
    std::thread tick([&] { manager.run(); });
    while (!inside)
        std::this_thread::yield();
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS Data 1 GB disk4s1", "   2: Windows_NTFS New 1 GB disk4s2"}));
    plug("disk4s2", "New");
    std::vector<std::thread> burst;
    for (int i = 0; i < 50; ++i)
        burst.emplace_back([&] { manager.mountTableDidChange(); });
    for (auto& change : burst)
        change.join();
    EXPECT_EQ(cycles, 1) << "changes during a cycle wait for it, they start none of their own";
    manager.run();
    release = true;
    tick.join();

    EXPECT_EQ(cycles, 2) << "fifty changes, one more cycle";
    EXPECT_EQ(most, 1) << "never two cycles at once";
    EXPECT_THAT(names(), ElementsAre("Data@disk4s1", "New@disk4s2")) << "the cycle after the burst found the new volume";
    EXPECT_FALSE(manager.isRunning());
    const std::string log = unitLog();
    size_t said = 0;
    for (size_t at = log.find("the mount table changed"); at != std::string::npos; at = log.find("the mount table changed", at + 1))
        ++said;
    EXPECT_EQ(said, 2u) << "each cycle a change started says so\n" << log;
    EXPECT_THAT(log, HasSubstr("Running....")) << "a tick during a cycle is still turned away";
}

TEST_F(NTFSManagerTest, AnAnswerAfterWhichTheVolumeIsNotWritableLeavesItUnmounted)
{
    // The agent answers even when it could not write the fstab entry.
    doubles.settings().setManagerStyle(true);
    doubles.setList(kRows);
    plug("disk4s1", "Data");
    manager.run();
    ASSERT_THAT(names(), ElementsAre("Data@disk4s1"));
    auto volume = manager.previousInsertedNTFSVolumes()[0];
    auto answer = [&] {
        manager.eventCallBackNotification(Notification{"top.kestrova.macOS.Parvex.Helper.do.Finsh", std::string("add,Data"), 0});
    };

    volume->mount();
    answer();
    EXPECT_EQ(volume->status(), Status::umounted) << "the system mounted it read-only again";
    EXPECT_THAT(unitLog(), HasSubstr("not mounted read-write after the agent's answer\nData\ndisk4s1"));

    volume->mount();
    writeFile(doubles.state() + "/mountinfo",
              "70 1 0:99 / /Volumes/Data rw,relatime - fuseblk /dev/disk4s1 rw,user_id=0\n");
    answer();
    EXPECT_EQ(volume->status(), Status::mounted);
}

TEST_F(NTFSManagerTest, TwoVolumesOfOneNameAreBothMountedAndEachEjectsItsOwn)
{
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS Dup 1 GB disk4s1", "   2: Windows_NTFS Dup 1 GB disk4s2"}));
    plug("disk4s1", "Dup");
    plug("disk4s2", "Dup");
    manager.run();
    auto volumes = manager.previousInsertedNTFSVolumes();
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0]->status(), Status::mounted);
    EXPECT_EQ(volumes[1]->status(), Status::mounted);
    EXPECT_EQ(volumes[1]->mountFolder(), doubles.home() + "/Desktop/Dup 1") << "as the system names its second mount point";

    doubles.forget();
    volumes[1]->umount();
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s2",
                                               "rmdir '" + doubles.home() + "/Desktop/Dup 1'\ndiskutil mount disk4s2"));
    EXPECT_EQ(volumes[0]->status(), Status::mounted);
    EXPECT_TRUE(FileManager::fileExists(doubles.home() + "/Desktop/Dup/.volume-contents"));
}

// A run that was killed left its records (a step under way, a volume on the
// desktop, a disk since unplugged); the next start's first scan settles
// each, then goes on as usual.
TEST_F(NTFSManagerTest, WhatAKilledRunLeftIsSettledByTheFirstScan)
{
    const std::string desktop = doubles.home() + "/Desktop";
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS Nowhere 1 GB disk4s1", "   2: Windows_NTFS Done 1 GB disk4s2",
                                          "   3: Windows_NTFS Back 1 GB disk4s3"}));
    plug("disk4s1", "Nowhere");
    plug("disk4s2", "Done");
    plug("disk4s3", "Back");
    // Killed between taking the system's mount away and the desktop mount:
    // mounted nowhere, its empty folder made.
    ASSERT_EQ(::mkdir((desktop + "/Nowhere").c_str(), 0755), 0);
    // Killed once the desktop mount was made.
    writeFile(doubles.state() + "/mountinfo",
              "100 1 0:99 / " + desktop + "/Done rw,relatime - fuseblk /dev/disk4s2 rw,user_id=0\n"
              "101 1 0:98 / /Volumes/Back ro,relatime - fuseblk /dev/disk4s3 ro,user_id=0\n");
    writeFile(desktop + "/Done/.volume-contents", "");
    // Killed before the system's mount was taken away; and a volume left on
    // the desktop whose disk was unplugged before this start.
    writeFile(desktop + "/Back/mine.txt", "a folder of the user's, made since");
    ASSERT_EQ(::mkdir((desktop + "/Gone").c_str(), 0755), 0);
    for (const auto& [id, name] : std::vector<std::pair<std::string, std::string>>{
             {"disk4s1", "Nowhere"}, {"disk4s2", "Done"}, {"disk4s3", "Back"}, {"disk9s1", "Gone"}})
        ASSERT_TRUE(doubles.environment()->intents->record({id, 0, desktop + "/" + name}));

    manager.run();
    const auto scripts = doubles.scripts();
    ASSERT_GE(scripts.size(), 3u);
    EXPECT_EQ(scripts[1], "rmdir '" + desktop + "/Nowhere'\ndiskutil mount disk4s1") << "given back to the system";
    EXPECT_EQ(scripts[2], "rmdir '" + desktop + "/Gone'");
    EXPECT_THAT(scripts, Not(Contains(HasSubstr("Back'")))) << "a folder holding anything is never removed";
    EXPECT_EQ(*FileManager::contents(desktop + "/Back/mine.txt"), "a folder of the user's, made since");

    auto volumes = manager.previousInsertedNTFSVolumes();
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0]->status(), Status::mounted) << "then found as newly plugged in, and mounted";
    EXPECT_EQ(volumes[0]->mountFolder(), desktop + "/Nowhere");
    EXPECT_EQ(volumes[1]->status(), Status::mounted) << "the desktop mount is taken under care";
    EXPECT_EQ(volumes[1]->mountFolder(), desktop + "/Done");
    EXPECT_EQ(volumes[2]->mountFolder(), desktop + "/Back 1");
    for (const auto& call : doubles.calls("mount_ntfs"))
        EXPECT_NE(call.arguments[2], "/dev/disk4s2") << "never mounted twice";
    // What is on the desktop now is owed back; the rest is settled.
    EXPECT_THAT(doubles.intents(), ::testing::UnorderedElementsAre(MountIntents::Intent{"disk4s1", 0, desktop + "/Nowhere"},
                                                                   MountIntents::Intent{"disk4s2", 0, desktop + "/Done"},
                                                                   MountIntents::Intent{"disk4s3", 0, desktop + "/Back 1"}));
}

// Records that cannot be read at the first scan are settled by a later one.
TEST_F(NTFSManagerTest, WhatEarlierRunsLeftIsSettledOnceItCanBeRead)
{
    const std::string gone = doubles.home() + "/Desktop/Gone";
    ASSERT_EQ(::mkdir(gone.c_str(), 0755), 0);
    ASSERT_TRUE(doubles.environment()->intents->record({"disk9s1", 0, gone}));
    const std::string record = doubles.environment()->intents->path();
    ASSERT_EQ(::rename(record.c_str(), (record + ".aside").c_str()), 0);
    ASSERT_EQ(::mkdir(record.c_str(), 0700), 0);
    manager.run();
    EXPECT_TRUE(FileManager::fileExists(gone)) << "nothing known yet";

    ASSERT_EQ(::rmdir(record.c_str()), 0);
    ASSERT_EQ(::rename((record + ".aside").c_str(), record.c_str()), 0);
    manager.run();
    EXPECT_FALSE(FileManager::fileExists(gone)) << "the unplugged disk's empty folder goes";
    EXPECT_THAT(doubles.intents(), IsEmpty());
}

// A read-write mount of a present volume on a desktop folder named as ours
// are: taken under care at the scan that finds the volume, in either mode,
// and at any later scan; recognised by its device, never by a name alone.
TEST_F(NTFSManagerTest, AVolumeOnItsDesktopFolderIsTakenUnderCareByItsDeviceAndEjectsItsOwn)
{
    const std::string desktop = doubles.home() + "/Desktop";
    doubles.settings().setManagerStyle(true);
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS Data 1 GB disk4s1", "   2: Windows_NTFS Data 1 GB disk4s2",
                                          "   3: Windows_NTFS Late 1 GB disk4s3"}));
    plug("disk4s1", "Data");
    plug("disk4s2", "Data");
    plug("disk4s3", "Late");
    writeFile(doubles.state() + "/mountinfo",
              "100 1 0:99 / " + desktop + "/Data\\0401 rw,relatime - fuseblk /dev/disk4s2 rw,user_id=0\n"
              "101 1 0:98 / " + desktop + "/Elsewhere rw,relatime - fuseblk /dev/disk4s1 rw,user_id=0\n");
    manager.run();
    auto volumes = manager.previousInsertedNTFSVolumes();
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0]->status(), Status::umounted) << "a folder not named as ours is not ours";
    EXPECT_EQ(volumes[1]->status(), Status::mounted);
    EXPECT_EQ(volumes[1]->mountFolder(), desktop + "/Data 1");
    EXPECT_EQ(volumes[2]->status(), Status::umounted);
    EXPECT_THAT(doubles.calls("mount_ntfs"), IsEmpty());

    // A mount script of a killed run that ended late: the next scan.
    doubles.forget();
    writeFile(doubles.state() + "/mountinfo", FileManager::contents(doubles.state() + "/mountinfo").valueOr("")
              + "102 1 0:97 / " + desktop + "/Late rw,relatime - fuseblk /dev/disk4s3 rw,user_id=0\n");
    manager.run();
    EXPECT_EQ(volumes[2]->status(), Status::mounted);
    EXPECT_EQ(doubles.calls("diskutil").size(), 1u) << "no script of its own: the listing and df only";

    doubles.forget();
    writeFile(doubles.state() + "/mounts/disk4s2", desktop + "/Data 1");
    ASSERT_EQ(::mkdir((desktop + "/Data 1").c_str(), 0755), 0);
    volumes[1]->umount();
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s2",
                                               "rmdir '" + desktop + "/Data 1'\ndiskutil mount disk4s2"));
    EXPECT_EQ(volumes[1]->status(), Status::umounted);
}

// A quit does not wait for the scan: its script is ended, and the volume it
// was mounting is given back before the quit goes on.
TEST_F(NTFSManagerTest, StopEndsTheScanUnderWayAndItsVolumeIsGivenBack)
{
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS Data 1 GB disk4s1"}));
    plug("disk4s1", "Data");
    doubles.hang("sudo");
    std::thread scan([&] { manager.run(); });
    while (!doubles.hungProcess("sudo"))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    manager.stop();
    scan.join();
    EXPECT_FALSE(isRunningProcess(doubles.hungProcess("sudo")));
    auto volumes = manager.previousInsertedNTFSVolumes();
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(volumes[0]->status(), Status::umounted);
    EXPECT_EQ(doubles.scripts().back(), "rmdir '" + doubles.home() + "/Desktop/Data'\ndiskutil mount disk4s1");
    EXPECT_THAT(doubles.intents(), IsEmpty());
}

// A listing that never ends (a device that does not answer) is ended; a
// scan that learnt nothing forgets nothing, and the next one goes on.
TEST_F(NTFSManagerTest, AScanScriptOutOfTimeDropsNothingAndTheScansGoOn)
{
    doubles.environment()->limits.read = std::chrono::milliseconds(300);
    doubles.setList(kRows);
    plug("disk4s1", "Data");
    manager.run();
    ASSERT_THAT(names(), ElementsAre("Data@disk4s1"));

    doubles.hang("diskutil-list");
    manager.run();
    EXPECT_THAT(names(), ElementsAre("Data@disk4s1")) << "still listed, still mounted";
    EXPECT_EQ(manager.previousInsertedNTFSVolumes()[0]->status(), Status::mounted);
    EXPECT_THAT(unitLog(), HasSubstr("the disk listing did not end"));
    EXPECT_FALSE(isRunningProcess(doubles.hungProcess("diskutil-list")));
    EXPECT_FALSE(manager.isRunning());

    ::unlink((doubles.state() + "/hang/diskutil-list").c_str());
    doubles.setList(ToolDoubles::listing({"   1: Windows_NTFS Data 1 GB disk4s1", "   2: Windows_NTFS New 1 GB disk4s2"}));
    plug("disk4s2", "New");
    doubles.hang("diskutil-info");
    manager.run();
    EXPECT_THAT(manager.previousInsertedVolumeIDs(), Not(Contains("disk4s2"))) << "examined again next time";
    ::unlink((doubles.state() + "/hang/diskutil-info").c_str());
    manager.run();
    EXPECT_THAT(names(), ElementsAre("Data@disk4s1", "New@disk4s2"));
}
