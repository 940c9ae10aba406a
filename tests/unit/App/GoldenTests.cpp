// The settings window as it looks, compared with reference images under
// golden/. scripts/update-goldens redraws them after a deliberate change.
#include <gtest/gtest.h>

#include "Platform/AppKit/HeadlessWindowBackend.h"
#include "Platform/AppKit/NSBitmapImageRep.h"
#include "SettingsScene.h"
#include "support/GoldenImage.h"

namespace {

void expectWindowLooksLike(NSWindow& window, const std::string& name)
{
    auto image = HeadlessWindowBackend::snapshot(window, golden::scale);
    golden::expectMatches(*image, "App", name);
}

}  // namespace

TEST(Golden, SettingsWindowInEachModeAndWithTheAlertSheet)
{
    SettingsScene scene;
    scene.settings->setLoginItemIsEnabled(true);
    scene.settings->setPwd("密码1234");
    scene.open();
    expectWindowLooksLike(*scene.window, "settings-automatic");

    scene.click(*scene.controller->manualManagerBtn());
    expectWindowLooksLike(*scene.window, "settings-manual");

    scene.click(*scene.controller->autoManagerBtn());
    scene.save();
    ASSERT_EQ(scene.alert().first, "已保存");
    expectWindowLooksLike(*scene.window, "settings-saved-alert");
}
