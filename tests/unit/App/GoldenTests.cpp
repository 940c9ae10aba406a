// The settings window as the app builds it, compared with reference images
// under golden/: the window in each mode, with its alert sheet, and its save
// button under the mouse. scripts/update-goldens redraws them after a
// deliberate change.
#include <gtest/gtest.h>

#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/Headless/HeadlessWindowBackend.h"
#include "SettingsScene.h"
#include "support/GoldenImage.h"

namespace {

void expectWindowLooksLike(NSWindow& window, const std::string& name)
{
    auto image = HeadlessWindowBackend::snapshot(window, golden::scale);
    golden::expectMatches(*image, "App", name);
}

void expectViewLooksLike(NSView& view, const std::string& name)
{
    auto image = NSBitmapImageRep::make(view.bounds().size, golden::scale);
    view.cacheDisplay(view.bounds(), *image);
    golden::expectMatches(*image, "App", name);
}

}  // namespace

TEST(Golden, SettingsWindowInEachModeWithTheMouseOverSaveAndWithTheAlertSheet)
{
    SettingsScene scene;
    scene.settings->setLoginItemIsEnabled(true);
    scene.settings->setPwd("密码1234");
    scene.open();
    expectWindowLooksLike(*scene.window, "settings-automatic");

    auto save = scene.saveButton();
    scene.moveMouseOver(*save);
    expectViewLooksLike(*save, "save-button-under-the-mouse");
    scene.moveMouseOver(*scene.controller->label());

    scene.click(*scene.controller->manualManagerBtn());
    expectWindowLooksLike(*scene.window, "settings-manual");

    scene.click(*scene.controller->autoManagerBtn());
    scene.save();
    ASSERT_EQ(scene.alert().first, "已保存");
    expectWindowLooksLike(*scene.window, "settings-saved-alert");
}
