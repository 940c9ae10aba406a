#include <gmock/gmock.h>

#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/VolumeModel.h"
#include "Shared/Console.h"
#include "Tools/Common/NtfsDriver.h"
#include "support/RecordingNotificationCenter.h"
#include "support/ToolDoubles.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using Cause = MountNotifier::Cause;

namespace {

class MountNotifierTest : public ::testing::Test {
protected:
    std::shared_ptr<VolumeModel> volume(const std::string& name, const std::string& identifier)
    {
        return std::make_shared<VolumeModel>(name, identifier, doubles.environment());
    }

    ToolDoubles doubles;
    std::shared_ptr<RecordingNotificationCenter> center = std::make_shared<RecordingNotificationCenter>();
    MountNotifier notifier{center};
};

}  // namespace

TEST_F(MountNotifierTest, TheMountsOutcomeNamesTheCause)
{
    // What mount_ntfs prints when it refuses a volume Windows left in use.
    const std::string hibernated = "mount_ntfs: " + Tools::NtfsDriver::explanation(Tools::NtfsState::Hibernated, "/dev/disk4s1");
    const std::string unclean = "mount_ntfs: " + Tools::NtfsDriver::explanation(Tools::NtfsState::Unclean, "/dev/disk4s2");
    const std::string fellBack = "mount_ntfs: /dev/disk4s3 could only be mounted read-only, so it was not mounted.";
    struct Case {
        const char* name;
        bool mounted;
        std::string error;
        std::vector<std::string> titles;
    } cases[] = {
        {"Writable", true, "", {"「Writable」现在可以写入"}},
        {"Hibernated", false, hibernated, {"「Hibernated」只能读取"}},
        {"Unclean", false, unclean, {"「Unclean」只能读取"}},
        {"FellBack", false, fellBack, {"「FellBack」只能读取"}},
        // A wrong password is for the volume code to judge; nothing is said here.
        {"Refused", false, "Sorry, try again.\nsudo: 1 incorrect password attempt", {}},
    };
    for (const auto& each : cases) {
        center->notifications.clear();
        notifier.mountFinished(*volume(each.name, std::string("disk9s") + each.name), each.mounted, {"", each.error});
        EXPECT_EQ(center->titles(), each.titles) << each.name;
    }
    EXPECT_THAT(MountNotifier::notification("D", Cause::hibernated).informativeText, HasSubstr("快速启动"));
    EXPECT_THAT(MountNotifier::notification("D", Cause::mountFailed).informativeText, HasSubstr("打开 Parvex"));
}

TEST_F(MountNotifierTest, EachVolumeHearsEachCauseOnceAndTheLogKeepsIt)
{
    Console::shared().clear();
    auto data = volume("Data", "disk4s1");
    auto photos = volume("Photos", "disk4s2");
    notifier.automaticMountFailed(*data);
    notifier.automaticMountFailed(*data);
    notifier.automaticMountFailed(*volume("Data", "disk4s1"));
    notifier.automaticMountFailed(*photos);
    notifier.mountFinished(*data, true, {});
    notifier.mountFinished(*data, true, {});
    EXPECT_THAT(center->titles(), ElementsAre("无法挂载「Data」", "无法挂载「Photos」", "「Data」现在可以写入"));
    EXPECT_THAT(unitLog(), HasSubstr("无法挂载「Data」"));
}

TEST_F(MountNotifierTest, AnEjectThatLeavesTheVolumeMountedIsToldAtEachAttemptAndAtQuit)
{
    auto told = std::make_shared<MountNotifier>(center);
    doubles.environment()->notifier = told;
    auto data = volume("Data", "disk4s1");
    data->mount();
    ASSERT_EQ(data->status(), VolumeModel::Status::mounted);
    center->notifications.clear();
    // A program has a file open on the volume.
    writeFile(doubles.state() + "/busy/disk4s1", "");
    data->umount();
    data->umount();
    EXPECT_EQ(data->status(), VolumeModel::Status::mounted) << "still listed with its eject item";
    EXPECT_THAT(center->titles(), ElementsAre("无法推出「Data」", "无法推出「Data」")) << "once for each attempt";
    EXPECT_THAT(center->notifications[0].informativeText, HasSubstr("有程序正在使用它"));
    EXPECT_EQ(center->deliveredNow, 0u);

    // At quit it stays mounted, and the user hears so before the program ends.
    told->applicationWillTerminate();
    data->umount();
    EXPECT_EQ(data->status(), VolumeModel::Status::mounted);
    ASSERT_EQ(center->notifications.size(), 3u);
    EXPECT_EQ(center->notifications[2].title, "「Data」仍挂载在桌面上");
    EXPECT_THAT(center->notifications[2].informativeText, HasSubstr("数据是安全的"));
    EXPECT_EQ(center->deliveredNow, 1u) << "delivered before quitting, not left to a run loop that turns no more";
    EXPECT_THAT(doubles.scripts(), Not(Contains(HasSubstr("rmdir")))) << "nothing is removed under a mounted volume";
}
