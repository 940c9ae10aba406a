#include <gmock/gmock.h>

#include "MenuScene.h"
#include "Platform/Foundation/FileManager.h"
#include "Shared/Console.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Status = VolumeModel::Status;

namespace {

class AppDelegateMenuTest : public ::testing::Test {
protected:
    void SetUp() override { Console::shared().clear(); }

    // A (found first) and B, in manual mode so that nothing mounts on its own.
    void plugManualAB()
    {
        scene.doubles.settings().setManagerStyle(true);
        scene.plug({{"disk4s1", "A"}, {"disk4s2", "B"}});
        ASSERT_EQ(scene.manager.previousInsertedNTFSVolumes().size(), 2u);
    }

    MenuScene scene;
};

}  // namespace

TEST_F(AppDelegateMenuTest, VolumesShowLatestFirstWithTheirItems)
{
    EXPECT_THAT(scene.open(), ElementsAre("没有发现NTFS卷 (disabled)", "---", "打开 Parvex", "退出"));
    plugManualAB();
    EXPECT_THAT(scene.open(), ElementsAre("挂载 [B]", "---", "挂载 [A]", "---", "打开 Parvex", "退出"));

    ASSERT_TRUE(scene.choose("挂载 [B]"));
    const std::vector<std::string> expected = {"推出 [B]", "在Finder中打开 [B]", "---", "挂载 [A]", "---", "打开 Parvex", "退出"};
    EXPECT_EQ(scene.open(), expected) << "the eject item is on but drawn without a mark";
    EXPECT_EQ(scene.open(), expected) << "a second opening strips the last rebuild first";

    // Tags are the volumes' places in the list, which the actions look up.
    auto& menu = *scene.menu;
    EXPECT_EQ(menu.item(0)->state(), NSControlStateValue::on);
    EXPECT_EQ(menu.item(0)->tag(), 1);
    EXPECT_EQ(menu.item(1)->tag(), 1);
    EXPECT_EQ(menu.item(3)->tag(), 0);
    EXPECT_EQ(menu.item(3)->state(), NSControlStateValue::off);
}

TEST_F(AppDelegateMenuTest, ChoicesReachTheVolumeTheItemNames)
{
    plugManualAB();
    auto volumes = scene.manager.previousInsertedNTFSVolumes();

    ASSERT_TRUE(scene.choose("挂载 [A]"));
    EXPECT_EQ(volumes[0]->status(), Status::mounted);
    EXPECT_EQ(volumes[1]->status(), Status::umounted);
    ASSERT_TRUE(scene.choose("挂载 [B]"));
    ASSERT_TRUE(scene.choose("推出 [A]"));
    EXPECT_EQ(volumes[0]->status(), Status::umounted);
    EXPECT_THAT(scene.requests(), ElementsAre("add,A", "add,B", "remove,A"));

    ASSERT_TRUE(scene.choose("在Finder中打开 [B]"));
    EXPECT_THAT(scene.toolCalls(), testing::Contains("open /Volumes/B"));
    EXPECT_EQ(volumes[1]->status(), Status::mounted) << "opening changes nothing";

    // Each choice logs the chosen item's state as a number.
    std::string log = unitLog();
    EXPECT_THAT(log, testing::ContainsRegex("didChangeSelect\\(sender:\\) \\[Line [0-9]+\\]:\n1\n"));
    EXPECT_THAT(log, testing::ContainsRegex("openVolume\\(sender:\\) \\[Line [0-9]+\\]:\n0\n"));
}

TEST_F(AppDelegateMenuTest, AChoiceWhoseVolumeIsGoneIsIgnored)
{
    plugManualAB();
    ASSERT_TRUE(scene.choose("挂载 [B]"));
    scene.open();
    auto items = scene.menu->items();
    // Unplugged while the menu shows them.
    scene.doubles.setList("");
    scene.manager.run();
    ASSERT_THAT(scene.manager.previousInsertedNTFSVolumes(), IsEmpty());

    // The items of that same menu, as a click on it would pick them.
    for (int index : {0, 1, 3})
        EXPECT_TRUE(items[index]->performAction()) << items[index]->title();
    EXPECT_THAT(scene.requests(), ElementsAre("add,B")) << "nothing after the list changed";
    EXPECT_THAT(scene.toolCalls(), testing::Not(testing::Contains(HasSubstr("open"))));
    EXPECT_THAT(unitLog(), HasSubstr("no volume at index 1"));
    EXPECT_THAT(unitLog(), HasSubstr("no volume at index 0"));
    EXPECT_THAT(scene.open(), ElementsAre("没有发现NTFS卷 (disabled)", "---", "打开 Parvex", "退出"));
}

TEST_F(AppDelegateMenuTest, QuittingInManualModeAsksToRemoveEachMountedVolumeInListOrder)
{
    scene.doubles.settings().setManagerStyle(true);
    scene.plug({{"disk4s1", "A"}, {"disk4s2", "B"}, {"disk4s3", "C"}});
    ASSERT_TRUE(scene.choose("挂载 [C]"));
    ASSERT_TRUE(scene.choose("挂载 [A]"));

    ASSERT_TRUE(scene.choose(MenuScene::quitTitle));
    EXPECT_THAT(scene.exits, ElementsAre(0));
    EXPECT_THAT(scene.requests(), ElementsAre("add,C", "add,A", "remove,A", "remove,C"));
    for (auto& volume : scene.manager.previousInsertedNTFSVolumes())
        EXPECT_EQ(volume->status(), Status::umounted) << volume->name;
}

TEST_F(AppDelegateMenuTest, QuittingInAutomaticModeUnmountsAndCleansUpEveryVolume)
{
    scene.plug({{"disk4s1", "A"}, {"disk4s2", "B"}});
    auto volumes = scene.manager.previousInsertedNTFSVolumes();
    ASSERT_EQ(volumes.size(), 2u);
    ASSERT_EQ(volumes[1]->status(), Status::mounted) << "the scan mounts them in automatic mode";
    scene.doubles.forget();

    ASSERT_TRUE(scene.choose(MenuScene::quitTitle));
    const std::string desktop = scene.doubles.home() + "/Desktop/";
    EXPECT_THAT(scene.toolCalls(), ElementsAre("diskutil umount disk4s1", "diskutil mount disk4s1",
                                               "diskutil umount disk4s2", "diskutil mount disk4s2"));
    EXPECT_FALSE(FileManager::fileExists(desktop + "A") || FileManager::fileExists(desktop + "B"))
        << "the emptied folders are gone";
    EXPECT_THAT(scene.requests(), IsEmpty());
    EXPECT_THAT(scene.exits, ElementsAre(0));
}
