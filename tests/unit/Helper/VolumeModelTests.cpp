#include <gmock/gmock.h>
#include <sys/stat.h>

#include <climits>
#include <thread>

#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/VolumeModel.h"
#include "Platform/Foundation/FileManager.h"
#include "support/RecordingNotificationCenter.h"
#include "support/ToolDoubles.h"

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Status = VolumeModel::Status;

namespace {

const std::string kPipe = "printf '%s\\n' \"$PARVEX_SUDO_PASSWORD\" | ";

class VolumeModelTest : public ::testing::Test {
protected:
    std::shared_ptr<VolumeModel> volume(const std::string& name, const std::string& id = "disk4s1")
    {
        return std::make_shared<VolumeModel>(name, id, doubles.environment());
    }
    std::string desktop() const { return doubles.home() + "/Desktop"; }

    ToolDoubles doubles;
};

}  // namespace

TEST_F(VolumeModelTest, AutomaticMountRunsTheThreeLinesOnceAndFeedsSudoThePassword)
{
    doubles.setPassword("secret");
    auto data = volume("Data");
    EXPECT_EQ(data->path(), "/dev/disk4s1");
    EXPECT_EQ(data->status(), Status::umounted);
    data->mount();
    data->mount();

    const std::string folder = "'" + desktop() + "/Data'";
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s1\nmkdir " + folder + " && "
                                               + kPipe + "sudo -S mount_ntfs -o rw,nobrowse /dev/disk4s1 " + folder));
    EXPECT_EQ(data->status(), Status::mounted);
    auto sudo = doubles.calls("sudo");
    ASSERT_EQ(sudo.size(), 1u) << "the folder is the user's, made as the user";
    EXPECT_THAT(sudo[0].arguments,
                ElementsAre("mount_ntfs", "-o", "rw,nobrowse", "/dev/disk4s1", desktop() + "/Data", "stdin:secret", "leaked:no"));
    EXPECT_THAT(unitLog(), HasSubstr("mount() [Line"));
    EXPECT_THAT(unitLog(), HasSubstr("new mounted\nData\ndisk4s1\n(result: "));
}

TEST_F(VolumeModelTest, AFailedMountIsGivenBackAndTriedAgainOnlyForANewPasswordOrTheMountItem)
{
    doubles.setPassword("secret");
    doubles.settings().setPwd("wrong");
    auto data = volume("Data");
    data->mount();
    EXPECT_EQ(data->status(), Status::umounted) << "sudo refused the password";
    EXPECT_EQ(doubles.scripts().back(), "rmdir '" + desktop() + "/Data'\ndiskutil mount disk4s1")
        << "the folder made for it goes, and the volume is back where the system mounts it";
    EXPECT_FALSE(FileManager::fileExists(desktop() + "/Data"));
    EXPECT_THAT(unitLog(), AllOf(HasSubstr("mount failed"), HasSubstr("Sorry, try again."), Not(HasSubstr("wrong"))));

    // The scan: the same password is not tried again.
    doubles.forget();
    data->mountAgainIfPasswordChanged();
    EXPECT_THAT(doubles.scripts(), IsEmpty());
    // The mount item tries it at once.
    data->mount();
    EXPECT_EQ(doubles.calls("mount_ntfs").size(), 0u);
    EXPECT_EQ(doubles.calls("sudo").size(), 1u);
    EXPECT_EQ(data->status(), Status::umounted);

    doubles.settings().setPwd("secret");
    data->mountAgainIfPasswordChanged();
    EXPECT_EQ(data->status(), Status::mounted);
    doubles.forget();
    data->mountAgainIfPasswordChanged();
    EXPECT_THAT(doubles.scripts(), IsEmpty());
}

TEST_F(VolumeModelTest, AnEjectAlwaysGivesTheVolumeBackAndRemovesOnlyAnEmptyFolder)
{
    auto data = volume("Data");
    data->mount();
    // Something left in the folder under the mount, which shows once the
    // volume is off it.
    writeFile(desktop() + "/Data/report.docx", "keep me");
    doubles.forget();
    data->umount();
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s1", "diskutil mount disk4s1"))
        << "back to the system, read-only, though its folder cannot go";
    EXPECT_EQ(data->status(), Status::umounted);
    EXPECT_EQ(*FileManager::contents(desktop() + "/Data/report.docx"), "keep me");
    ::unlink((desktop() + "/Data/report.docx").c_str());
    ::rmdir((desktop() + "/Data").c_str());

    data->mount();
    doubles.forget();
    data->umount();
    const std::string folder = "'" + desktop() + "/Data'";
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s1",
                                               "rmdir " + folder + "\ndiskutil mount disk4s1"));
    EXPECT_EQ(data->status(), Status::umounted);
    EXPECT_FALSE(FileManager::fileExists(desktop() + "/Data"));
    EXPECT_THAT(doubles.intents(), IsEmpty()) << "each step is struck off once done";
}

TEST_F(VolumeModelTest, AVolumeLeftMountedOnItsDesktopFolderIsTakenAsMountedAndCanBeEjected)
{
    // An earlier run could not unmount it at quit: it is still on the desktop.
    volume("Data")->mount();
    auto data = volume("Data");
    doubles.forget();
    data->mount();
    EXPECT_THAT(doubles.scripts(), IsEmpty()) << "nothing is mounted over it";
    EXPECT_EQ(data->status(), Status::mounted);
    data->umount();
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s1",
                                               "rmdir '" + desktop() + "/Data'\ndiskutil mount disk4s1"));
    EXPECT_EQ(data->status(), Status::umounted);
}

// Two volumes of one name, and a user's own folder of that name: each
// volume goes to the next free name, as the system names its second mount
// point, and ejects its own; the user's folder is left as it was.
TEST_F(VolumeModelTest, EachVolumeGetsAFolderOfItsOwnAndNoUsersFolderIsMountedOverOrRemoved)
{
    writeFile(desktop() + "/Data/mine.txt", "the user's");
    ASSERT_EQ(::mkdir((desktop() + "/Data 1").c_str(), 0755), 0) << "an empty folder of the user's, too";
    auto first = volume("Data", "disk4s1");
    auto second = volume("Data", "disk5s1");
    first->mount();
    second->mount();
    EXPECT_EQ(first->mountFolder(), desktop() + "/Data 2");
    EXPECT_EQ(second->mountFolder(), desktop() + "/Data 3");
    auto mounts = doubles.calls("mount_ntfs");
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_THAT(mounts[1].arguments, ElementsAre("-o", "rw,nobrowse", "/dev/disk5s1", desktop() + "/Data 3"));

    doubles.forget();
    first->umount();
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s1",
                                               "rmdir '" + desktop() + "/Data 2'\ndiskutil mount disk4s1"));
    EXPECT_EQ(second->status(), Status::mounted);
    EXPECT_TRUE(FileManager::fileExists(desktop() + "/Data 3/.volume-contents")) << "the other stays where it is";
    second->umount();
    EXPECT_EQ(*FileManager::contents(desktop() + "/Data/mine.txt"), "the user's");
    EXPECT_TRUE(FileManager::fileExists(desktop() + "/Data 1"));
    EXPECT_FALSE(FileManager::fileExists(desktop() + "/Data 2"));
    EXPECT_FALSE(FileManager::fileExists(desktop() + "/Data 3"));

    // A name cut to fit keeps room for its number.
    const std::string longName(NAME_MAX, 'x');
    writeFile(desktop() + "/" + longName + "/mine.txt", "the user's");
    auto fitted = volume(longName, "disk6s1");
    fitted->mount();
    EXPECT_EQ(fitted->mountFolder(), desktop() + "/" + std::string(NAME_MAX - 2, 'x') + " 1");
    EXPECT_EQ(fitted->status(), Status::mounted);
}

// Every step that takes a mount away is on disk before it starts, and stays
// there until the volume is given back, so that a run killed at any point
// leaves it for the next start.
TEST_F(VolumeModelTest, AVolumeIsRecordedBeforeItsMountIsTakenAwayUntilItIsGivenBack)
{
    std::vector<std::vector<MountIntents::Intent>> seen;
    auto observe = doubles.environment()->scriptObserver;
    doubles.environment()->scriptObserver = [&](const std::string& script) {
        observe(script);
        if (script.starts_with("diskutil umount"))
            seen.push_back(doubles.intents());
    };
    auto data = volume("Data");
    data->mount();
    const MountIntents::Intent intent{"disk4s1", 0, desktop() + "/Data"};
    EXPECT_THAT(doubles.intents(), ElementsAre(intent)) << "owed back while it is on the desktop";
    data->umount();
    EXPECT_THAT(seen, ElementsAre(ElementsAre(intent), ElementsAre(intent)));
    EXPECT_THAT(doubles.intents(), IsEmpty()) << "given back";
}

TEST_F(VolumeModelTest, AMountOutOfTimeIsEndedWithItsSudoAndGivenBackAndTheUserIsTold)
{
    auto center = std::make_shared<RecordingNotificationCenter>();
    doubles.environment()->notifier = std::make_shared<MountNotifier>(center);
    doubles.environment()->limits.mount = std::chrono::milliseconds(1500);
    doubles.hang("sudo");
    auto data = volume("Data");
    data->mount();
    EXPECT_EQ(data->status(), Status::umounted);
    ASSERT_GT(doubles.hungProcess("sudo"), 0);
    EXPECT_FALSE(isRunningProcess(doubles.hungProcess("sudo"))) << "the sudo that never answered is ended with the script";
    EXPECT_EQ(doubles.scripts().back(), "rmdir '" + desktop() + "/Data'\ndiskutil mount disk4s1")
        << "given back to the system";
    EXPECT_FALSE(FileManager::fileExists(desktop() + "/Data"));
    EXPECT_THAT(unitLog(), HasSubstr("mount failed: the script did not end within 1.5 s"));
    ASSERT_EQ(center->notifications.size(), 1u);
    EXPECT_EQ(center->notifications[0].title, "无法挂载「Data」");
    EXPECT_THAT(center->notifications[0].informativeText, HasSubstr("没有在时限内完成"));
    EXPECT_THAT(doubles.intents(), IsEmpty());

    // Not tried again by the scan with the same password, so scans go on.
    doubles.forget();
    data->mountAgainIfPasswordChanged();
    EXPECT_THAT(doubles.scripts(), IsEmpty());
}

TEST_F(VolumeModelTest, AnEjectOutOfTimeLeavesTheVolumeMountedAndSaysSo)
{
    auto center = std::make_shared<RecordingNotificationCenter>();
    doubles.environment()->notifier = std::make_shared<MountNotifier>(center);
    doubles.environment()->limits.giveBack = std::chrono::milliseconds(500);
    auto data = volume("Data");
    data->mount();
    center->notifications.clear();
    doubles.hang("diskutil-umount");
    data->umount();
    EXPECT_EQ(data->status(), Status::mounted) << "still on the desktop, still ejectable";
    EXPECT_FALSE(isRunningProcess(doubles.hungProcess("diskutil-umount")));
    ASSERT_EQ(center->notifications.size(), 1u);
    EXPECT_EQ(center->notifications[0].title, "无法推出「Data」");
    EXPECT_THAT(center->notifications[0].informativeText, HasSubstr("没有在时限内完成"));
    EXPECT_THAT(unitLog(), HasSubstr("umount did not end within its time"));
}

// A quit does not wait on a mount: the script ends at once and the volume is
// given back within the quit's own limit.
TEST_F(VolumeModelTest, AQuitEndsAMountUnderWayAndTheVolumeIsGivenBack)
{
    auto center = std::make_shared<RecordingNotificationCenter>();
    doubles.environment()->notifier = std::make_shared<MountNotifier>(center);
    doubles.hang("sudo");
    auto data = volume("Data");
    std::thread scan([&] { data->mount(); });
    while (!doubles.hungProcess("sudo"))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    doubles.environment()->beginQuit();
    scan.join();
    EXPECT_EQ(data->status(), Status::umounted);
    EXPECT_EQ(doubles.scripts().back(), "rmdir '" + desktop() + "/Data'\ndiskutil mount disk4s1");
    EXPECT_THAT(unitLog(), HasSubstr("mount stopped: the program quits"));
    EXPECT_THAT(center->notifications, IsEmpty()) << "the user is quitting: no word about a mount they did not wait for";
}

TEST_F(VolumeModelTest, RemoveCleansAnEmptyFolderAfterTheVolumeWent)
{
    auto data = volume("Data");
    data->remove();
    EXPECT_THAT(doubles.scripts(), IsEmpty()) << "nothing to do for a volume Parvex did not mount";
    data->mount();
    ::unlink((desktop() + "/Data/.volume-contents").c_str());  // ejected from the desktop
    doubles.forget();
    data->remove();
    EXPECT_THAT(doubles.scripts(), ElementsAre("rmdir '" + desktop() + "/Data'"));
    EXPECT_EQ(data->status(), Status::umounted);
    EXPECT_FALSE(FileManager::fileExists(desktop() + "/Data"));
}

TEST_F(VolumeModelTest, ManualModeOnlyAsksTheAgent)
{
    doubles.settings().setManagerStyle(true);
    auto data = volume("Data");
    data->mount();
    EXPECT_EQ(data->status(), Status::mounted);
    data->umount();
    EXPECT_EQ(data->status(), Status::umounted);
    EXPECT_THAT(doubles.scripts(), IsEmpty());
    auto posts = doubles.bus().posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].name, "top.kestrova.macOS.Parvex.Helper.do");
    EXPECT_EQ(*posts[0].object->string(), "add,Data");
    EXPECT_EQ(posts[0].options, 2u);
    EXPECT_EQ(*posts[1].object->string(), "remove,Data");
}

TEST_F(VolumeModelTest, ShowInFinderOpensTheFolderTheVolumeIsMountedOn)
{
    volume("Data")->showInFinder();
    volume("My Disk")->showInFinder();
    EXPECT_THAT(doubles.scripts(), ElementsAre("open /Volumes/Data", "open /Volumes/'My Disk'"));
    auto opens = doubles.calls("open");
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_THAT(opens[1].arguments, ElementsAre("/Volumes/My Disk"));

    // The automatic mount moved it to the desktop; /Volumes/<name> is gone.
    auto mounted = volume("My Disk", "disk4s2");
    mounted->mount();
    doubles.forget();
    mounted->showInFinder();
    EXPECT_THAT(doubles.scripts(), ElementsAre("open '" + desktop() + "/My Disk'"));
}

TEST_F(VolumeModelTest, AVolumeIsUnmountedTheWayItWasMountedWhateverTheModeIsNow)
{
    // The settings app stores a new mode, then relaunches ParvexMenu, whose
    // quit unmounts everything after the mode changed.
    auto desktopMount = volume("Desk", "disk4s1");
    desktopMount->mount();
    doubles.settings().setManagerStyle(true);
    auto agentMount = volume("Agent", "disk4s2");
    agentMount->mount();
    doubles.forget();

    desktopMount->umount();
    EXPECT_THAT(doubles.scripts(), ElementsAre("diskutil umount disk4s1", "rmdir '" + desktop()
                                                   + "/Desk'\ndiskutil mount disk4s1"));
    EXPECT_EQ(desktopMount->status(), Status::umounted);
    EXPECT_FALSE(FileManager::fileExists(desktop() + "/Desk"));

    doubles.settings().setManagerStyle(false);
    doubles.forget();
    agentMount->umount();
    agentMount->remove();
    EXPECT_THAT(doubles.scripts(), IsEmpty());
    auto posts = doubles.bus().posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(*posts[0].object->string(), "add,Agent");
    EXPECT_EQ(*posts[1].object->string(), "remove,Agent");
    EXPECT_EQ(agentMount->status(), Status::umounted);
}

TEST_F(VolumeModelTest, ADesktopThatIsALinkOrAnotherUsersIsNotMountedIn)
{
    // Root mounts in the desktop folder: through a link it would mount on a
    // folder of whoever owns the link's target.
    const std::string shared = doubles.home() + "/shared";
    ASSERT_EQ(::rename(desktop().c_str(), shared.c_str()), 0);
    ASSERT_EQ(::symlink(shared.c_str(), desktop().c_str()), 0);
    auto data = volume("Data");
    data->mount();
    EXPECT_EQ(data->status(), Status::umounted);
    EXPECT_THAT(doubles.scripts(), IsEmpty()) << "the system's mount stays as it was";
    EXPECT_THAT(unitLog(), HasSubstr("not mounted: the desktop folder " + desktop() + " is a link"));
    ::unlink(desktop().c_str());

    if (::geteuid() == 0) {
        ASSERT_EQ(::rename(shared.c_str(), desktop().c_str()), 0);
        ASSERT_EQ(::chown(desktop().c_str(), 65534, 65534), 0);
        data->mount();
        EXPECT_EQ(data->status(), Status::umounted) << "a desktop of another user's";
        EXPECT_THAT(doubles.scripts(), IsEmpty());
    }
}

TEST_F(VolumeModelTest, NamesThatCannotNameADesktopFolderAreNotMounted)
{
    for (const char* name : {"", ".", ".."}) {
        auto hostile = volume(name);
        hostile->mount();
        EXPECT_EQ(hostile->status(), Status::umounted) << "name '" << name << "'";
    }
    EXPECT_THAT(doubles.scripts(), IsEmpty());
    EXPECT_TRUE(FileManager::fileExists(desktop())) << "the desktop itself is never a mount point";
}
