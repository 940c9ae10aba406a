#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/Foundation/RunLoop.h"
#include "Shared/Console.h"
#include "MenuScene.h"
#include "unit/AppKit/TempBundle.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

bool scanned(const ToolDoubles& doubles)
{
    auto scripts = doubles.scripts();
    return std::find(scripts.begin(), scripts.end(), "diskutil list | grep -v 'APFS'") != scripts.end();
}

// Start-up, the status item and the scan timer against an open menu. The
// scan timer lives as long as the process, as in the app, so this runs in a
// process of its own that ends with the scenario.
void launchScenario()
{
    TempFolder folder;
    std::string bundle = folder.makeBundle("ParvexMenu", "top.kestrova.macOS.Parvex.Helper", "ParvexMenu");
    std::filesystem::copy_file(PARVEX_SOURCE_DIR "/Helper/Resources/statusIcon.png", bundle + "/Contents/Resources/statusIcon.png");
    NSBundle::setMain(std::make_shared<NSBundle>(bundle));
    FileManager::writeAtomically(Console::programLogPath(), "an entry of the last run\n");

    MenuScene scene;
    scene.delegate->applicationDidFinishLaunching(Notification{NSApplication::didFinishLaunchingNotification});
    EXPECT_THAT(FileManager::contents(Console::programLogPath()).value_or(""), Not(HasSubstr("last run")));

    auto* backend = HeadlessStatusBarBackend::installed();
    ASSERT_NE(backend, nullptr);
    ASSERT_EQ(backend->statusItems().size(), 1u);
    auto item = backend->statusItems()[0];
    EXPECT_EQ(item->menu(), scene.menu);
    ASSERT_NE(item->image(), nullptr);

    // A tick that comes due while the menu is open waits for it to close.
    ASSERT_TRUE(backend->clickStatusItem(0));
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::eventTracking);
    EXPECT_THAT(HeadlessStatusBarBackend::lines(*scene.menu),
                ElementsAre("没有发现NTFS卷 (disabled)", "---", "打开 Parvex", "退出"));
    RunLoop::main().runUntil([] { return false; }, 3.2);
    EXPECT_FALSE(scanned(scene.doubles)) << "scanned while the menu was open";
    backend->dismissMenu();
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return scanned(scene.doubles); }, 10));
    RunLoop::main().runUntil([&] { return !scene.manager.isRunning(); }, 20);
}

}  // namespace

TEST(AppDelegateLaunch, ClearsTheLogShowsTheIconAndHoldsScansWhileTheMenuIsOpen)
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
