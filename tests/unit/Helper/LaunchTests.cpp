#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>

#include "MenuScene.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/RunLoop.h"
#include "Shared/Console.h"
#include "support/Bundles.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Start-up and the status item. The status bar lives as long as the process,
// as in the app, so this runs in a process of its own.
void launchScenario()
{
    TemporaryFolder folder{"appkit"};
    std::string bundle = makeBundle(folder, "ParvexMenu", "top.kestrova.macOS.Parvex.Helper", "ParvexMenu");
    std::filesystem::copy_file(PARVEX_SOURCE_DIR "/Helper/Resources/statusIcon.png", bundle + "/Contents/Resources/statusIcon.png");
    NSBundle::setMain(std::make_shared<NSBundle>(bundle));
    MenuScene scene;
    writeFile(Console::shared().path(), "an entry of the last run\n");
    scene.delegate->applicationDidFinishLaunching(Notification{NSApplication::didFinishLaunchingNotification});
    EXPECT_THAT(FileManager::contents(Console::shared().path()).valueOr(""), Not(HasSubstr("last run")));

    auto* backend = HeadlessStatusBarBackend::installed();
    ASSERT_NE(backend, nullptr);
    ASSERT_EQ(backend->statusItems().size(), 1u);
    auto item = backend->statusItems()[0];
    EXPECT_EQ(item->menu(), scene.menu);
    ASSERT_NE(item->image(), nullptr);

    // A panel takes a copy of the menu while it is closed and sizes the menu
    // it opens by it: the copy is whole from the start and follows the volumes.
    EXPECT_THAT(HeadlessStatusBarBackend::lines(*scene.menu),
                ElementsAre("没有发现NTFS卷 (disabled)", "---", "打开 Parvex", "退出"))
        << "closed, right after the launch";
    ASSERT_TRUE(backend->clickStatusItem(0));
    EXPECT_THAT(HeadlessStatusBarBackend::lines(*scene.menu),
                ElementsAre("没有发现NTFS卷 (disabled)", "---", "打开 Parvex", "退出"));
    backend->dismissMenu();

    scene.doubles.settings().setManagerStyle(true);
    scene.plug({{"disk4s1", "A"}});
    const std::vector<std::string> found = {"挂载 [A]", "---", "打开 Parvex", "退出"};
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return HeadlessStatusBarBackend::lines(*scene.menu) == found; }, 5))
        << "closed, after the scan that found a volume";
    ASSERT_TRUE(scene.choose("挂载 [A]"));
    EXPECT_FALSE(scene.menu->isOpen());
    EXPECT_THAT(HeadlessStatusBarBackend::lines(*scene.menu),
                ElementsAre("推出 [A]", "在Finder中打开 [A]", "---", "打开 Parvex", "退出"))
        << "closed, after the choice that mounted it";
}

}  // namespace

TEST(AppDelegateLaunch, ClearsTheLogAndShowsTheIconWithTheMenu)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            launchScenario();
            bool failed = ::testing::Test::HasFailure();
            std::fputs(failed ? "launch scenario failed\n" : "launch scenario passed\n", stderr);
            std::fflush(nullptr);
            std::_Exit(failed ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "launch scenario passed");
}
