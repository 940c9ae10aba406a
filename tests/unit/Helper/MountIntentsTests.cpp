#include <gmock/gmock.h>
#include <sys/stat.h>

#include "Helper/NTFSManager/MountIntents.h"
#include "Platform/Foundation/FileManager.h"
#include "support/TemporaryFolder.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Intent = MountIntents::Intent;

TEST(MountIntents, KeepsEachStepUntilItIsDoneAndLeavesNoFileOnceNoneIsUnderWay)
{
    TemporaryFolder folder("intents");
    // The runtime folder can be missing its subfolder; the record makes it.
    MountIntents intents(folder / "run/top.kestrova.macOS.Parvex.Helper.intents.plist");
    const Intent quoted{"disk4s1", 0x10301, "/home/u/Desktop/it's \"Data\"\n1"};
    const Intent chinese{"disk5s1", 0x10302, "/home/u/Desktop/数据 1"};
    ASSERT_TRUE(intents.record(quoted));
    ASSERT_TRUE(intents.record(chinese));
    ASSERT_TRUE(intents.record({"disk4s1", 0x10301, "/home/u/Desktop/Other"}));
    EXPECT_THAT(*intents.recorded(), ElementsAre(chinese, Intent{"disk4s1", 0x10301, "/home/u/Desktop/Other"}))
        << "one record per volume, the latest step's";
    struct stat info {};
    ASSERT_EQ(::stat(intents.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the user's alone";
    // Another run reads what this one wrote.
    EXPECT_EQ(*MountIntents(intents.path()).recorded(), *intents.recorded());

    ASSERT_TRUE(intents.finish("disk9s1"));
    ASSERT_TRUE(intents.finish("disk4s1"));
    ASSERT_TRUE(intents.finish("disk5s1"));
    EXPECT_THAT(*intents.recorded(), IsEmpty());
    EXPECT_FALSE(FileManager::fileExists(intents.path()));
}

TEST(MountIntents, ADamagedFileIsReportedAndTheNextStepStartsItAfresh)
{
    TemporaryFolder folder("intents");
    MountIntents intents(folder.write("intents.plist", "not a property list"));
    EXPECT_FALSE(intents.recorded()) << "the start says so in its log";
    ASSERT_TRUE(intents.record({"disk4s1", 1, "/home/u/Desktop/Data"}));
    EXPECT_THAT(*intents.recorded(), ElementsAre(Intent{"disk4s1", 1, "/home/u/Desktop/Data"}));
}
