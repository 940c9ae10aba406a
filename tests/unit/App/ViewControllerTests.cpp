// The settings window driven as a person drives it: clicks and typing through
// the window's event routing, the alerts answered by their button.
#include <gmock/gmock.h>

#include "App/JobBless.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/Security/AuthorizationAuthority.h"
#include "SettingsScene.h"
#include "support/TestLog.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

constexpr const char* saved = "已保存";
constexpr const char* restartHint = "首次设置或者管理模式变动后需重启电脑，其他情况不用重启电脑";
constexpr const char* tooShort = "请输入Mac设备开机密码";
constexpr const char* different = "Mac设备开机密码两次输入不一致";
constexpr const char* clearAll = "clear,all options 2";

bool isOn(const UIButton& button)
{
    return button.state() == NSControlStateValue::on;
}

}  // namespace

TEST(SettingsWindow, ShowsTheStoredSettingsInItsWidgetsAtTheirPlaces)
{
    struct Case {
        bool loginItem, manual, installed;
        std::string password;
    };
    for (const auto& stored : {Case{false, false, false, ""}, Case{true, true, true, "密码1234"}}) {
        SettingsScene scene;
        if (!stored.password.empty()) {
            scene.settings->setLoginItemIsEnabled(stored.loginItem);
            scene.settings->setManagerStyle(stored.manual);
            scene.settings->setPluginStatus(stored.installed);
            scene.settings->setPwd(stored.password);
        }
        scene.open();
        auto& c = *scene.controller;
        EXPECT_EQ(isOn(*c.loginItemEnabledBtn()), stored.loginItem);
        EXPECT_EQ(isOn(*c.autoManagerBtn()), !stored.manual);
        EXPECT_EQ(isOn(*c.manualManagerBtn()), stored.manual);
        EXPECT_EQ(c.pwdInput()->stringValue(), stored.password);
        EXPECT_EQ(c.confirmPwdInput()->stringValue(), stored.password);
        EXPECT_EQ(c.pwdInput()->isHidden(), stored.manual);
        EXPECT_EQ(c.pluginBtn()->isHidden(), !stored.manual);
        EXPECT_EQ(c.pluginBtn()->title(), stored.installed ? "插件已安装" : "需要安装插件(点此安装)");
        EXPECT_EQ(c.pluginBtn()->isEnabled(), !stored.installed);
        EXPECT_THAT(c.label()->stringValue(), HasSubstr(stored.manual ? "由于权限问题" : "自动管理模式下"));
    }

    // Frames in the content view (y up from the bottom of the 480 by 280 window).
    SettingsScene scene;
    scene.open();
    scene.window->layoutIfNeeded();
    auto& c = *scene.controller;
    EXPECT_EQ(c.loginItemEnabledBtn()->frame(), (CGRect{30, 232, 120, 28}));
    EXPECT_EQ(c.autoManagerBtn()->frame(), (CGRect{30, 194, 200, 28}));
    EXPECT_EQ(c.manualManagerBtn()->frame(), (CGRect{250, 194, 200, 28}));
    EXPECT_EQ(c.pwdInput()->frame(), (CGRect{30, 162, 200, 28}));
    EXPECT_EQ(c.confirmPwdInput()->frame(), (CGRect{250, 162, 200, 28}));
    EXPECT_EQ(c.pluginBtn()->frame(), (CGRect{30, 162, 200, 28}));
    EXPECT_EQ(c.label()->frame(), (CGRect{30, 82, 420, 70}));
    EXPECT_EQ(scene.saveButton()->frame(), (CGRect{30, 30, 100, 32}));
    EXPECT_EQ(c.loginItemEnabledBtn()->tag(), 1);
    EXPECT_EQ(c.autoManagerBtn()->tag(), 2);
    EXPECT_EQ(c.manualManagerBtn()->tag(), 3);
    EXPECT_EQ(c.pwdInput()->placeholderString(), "输入Mac设备开机密码");
    EXPECT_EQ(c.confirmPwdInput()->placeholderString(), "再次输入Mac设备开机密码");
    EXPECT_TRUE(c.pwdInput()->isSecure());
}

TEST(SettingsWindow, TheModeBoxesTakeTurnsAndSwapWhatTheWindowShowsWithoutSaving)
{
    SettingsScene scene;
    scene.open();
    auto& c = *scene.controller;
    // A click on the box that is on moves the choice to the other one.
    for (bool manual : {true, false, true}) {
        scene.click(manual ? *c.autoManagerBtn() : *c.manualManagerBtn());
        EXPECT_EQ(isOn(*c.manualManagerBtn()), manual);
        EXPECT_EQ(isOn(*c.autoManagerBtn()), !manual);
        EXPECT_EQ(c.pwdInput()->isHidden(), manual);
        EXPECT_EQ(c.confirmPwdInput()->isHidden(), manual);
        EXPECT_EQ(c.pluginBtn()->isHidden(), !manual);
        EXPECT_THAT(c.label()->stringValue(), HasSubstr(manual ? "不支持标签名含有空格" : "与正常使用硬盘无异"));
    }
    scene.click(*c.manualManagerBtn());
    EXPECT_TRUE(isOn(*c.autoManagerBtn()));
    EXPECT_FALSE(FileManager::fileExists(scene.settingsPath)) << "nothing is stored until saved";
    EXPECT_THAT(scene.agentRequests(), IsEmpty());
}

TEST(SettingsWindow, TheLoginItemBoxTakesEffectAtTheClick)
{
    SettingsScene scene;
    scene.open();
    std::string installed = scene.helperApp->installedPath();
    scene.click(*scene.controller->loginItemEnabledBtn());
    EXPECT_TRUE(scene.settings->loginItemIsEnabled());
    auto plist = PropertyListSerialization::propertyList(FileManager::contents(installed).valueOr(""));
    ASSERT_TRUE(plist && plist->dictionary());
    EXPECT_EQ(plist->dictionary()->at("Program"), PropertyListValue(scene.helperApp->executablePath()));
    scene.click(*scene.controller->loginItemEnabledBtn());
    EXPECT_FALSE(scene.settings->loginItemIsEnabled());
    EXPECT_FALSE(FileManager::fileExists(installed));
}

TEST(SettingsWindow, APasswordNeedsFourCharactersTypedTheSameWayTwice)
{
    struct Case {
        std::string password, again, outcome;
    };
    const Case cases[] = {
        {"", "", tooShort},
        {"abc", "abc", tooShort},
        // One family emoji is one character, however many code points it has.
        {"ab\U0001F468\u200D\U0001F469\u200D\U0001F467", "ab\U0001F468\u200D\U0001F469\u200D\U0001F467", tooShort},
        {"abcd", "abcd", saved},
        {"密码密码", "密码密码", saved},
        // Precomposed é and e with a combining accent are the same password.
        {"caf\u00E9!", "cafe\u0301!", saved},
        {"Passw0rd", "passw0rd", different},
        {"1234", "1235", different},
        {" 1234", "1234", different},
    };
    for (const auto& [password, again, outcome] : cases) {
        SettingsScene scene;
        scene.open();
        scene.typePasswords(password, again);
        scene.save();
        auto [title, message] = scene.answerAlert();
        EXPECT_EQ(title, outcome) << password << " / " << again;
        EXPECT_EQ(message, outcome == saved ? restartHint : "") << password;
        // Stored as typed only when accepted.
        EXPECT_EQ(scene.settings->pwd(), outcome == saved ? password : "") << password;
        EXPECT_EQ(scene.agentRequests().size(), outcome == saved ? 1u : 0u) << password;
        EXPECT_FALSE(AlertViewController::currentAlert());
    }
}

TEST(SettingsWindow, SavingPostsClearAllInAutomaticModeAndRestartsTheMenuAppOnlyWhenTheModeChanged)
{
    SettingsScene scene;
    scene.settings->setManagerStyle(true);
    scene.open();
    auto& c = *scene.controller;

    // Manual mode with nothing stored: the hidden fields still count.
    scene.save();
    EXPECT_EQ(scene.answerAlert().first, tooShort);

    scene.click(*c.autoManagerBtn());
    scene.typePasswords("密码1234", "密码1234");
    scene.save();
    EXPECT_EQ(scene.answerAlert(), std::make_pair(std::string(saved), std::string(restartHint)));
    EXPECT_FALSE(scene.settings->managerStyle());
    EXPECT_EQ(scene.settings->pwd(), "密码1234");
    EXPECT_EQ(scene.launches.size(), 2u) << "relaunched: launched, and again as none was found running";

    scene.save();
    EXPECT_EQ(scene.answerAlert().first, saved) << "the mode did not change: saved all the same";
    EXPECT_THAT(scene.agentRequests(), ElementsAre(clearAll, clearAll));
    EXPECT_EQ(scene.launches.size(), 2u) << "no restart without a change of mode";

    scene.click(*c.manualManagerBtn());
    scene.save();
    EXPECT_EQ(scene.answerAlert().first, saved);
    EXPECT_TRUE(scene.settings->managerStyle());
    EXPECT_EQ(scene.agentRequests().size(), 2u) << "manual mode posts nothing";
    EXPECT_EQ(scene.launches.size(), 4u);
}

TEST(SettingsWindow, ASaveThatCannotReachTheSettingsFileSaysSoAndChangesNothing)
{
    SettingsScene scene;
    scene.open();
    // A file we cannot read is never overwritten.
    writeFile(scene.settingsPath, "not a property list");
    TestLog log;
    scene.typePasswords("密码1234", "密码1234");
    scene.save();
    auto [title, message] = scene.answerAlert();
    EXPECT_EQ(title, "保存失败");
    // In the window's language; the system's own sentence is in the log.
    EXPECT_EQ(message, "设置未能写入，原因已记在日志里");
    EXPECT_EQ(FileManager::contents(scene.settingsPath), "not a property list");
    EXPECT_THAT(scene.agentRequests(), IsEmpty());
    EXPECT_THAT(scene.launches, IsEmpty());
    EXPECT_THAT(log.text(), HasSubstr("saveAction(sender:)"));
    EXPECT_THAT(log.text(), HasSubstr("The file " + scene.settingsPath + " holds no dictionary of settings"));
}

TEST(SettingsWindow, InstallingThePlugInDisablesItsButtonOnlyOnSuccess)
{
    // Refused by polkit (a pkcheck double) for a user who is not root: the
    // real installation code fails.
    {
        SettingsScene scene;
        std::string pkcheck = scene.folder / "pkcheck";
        writeFile(pkcheck, "#!/bin/sh\nexit 1\n", 0755);
        AuthorizationAuthority::setShared(std::make_shared<AuthorizationAuthority>(pkcheck, 1000));
        scene.settings->setManagerStyle(true);
        auto collaborators = scene.collaborators();
        collaborators.createAuthorization = JobBless::createAuthorization;
        collaborators.install = JobBless::install;
        scene.controller = std::make_shared<ViewController>(collaborators);
        scene.window = NSWindow::make({{0, 0}, MainInterface::windowSize});
        scene.window->setContentViewController(scene.controller);
        scene.window->makeKeyAndOrderFront();
        scene.click(*scene.controller->pluginBtn());
        EXPECT_EQ(scene.answerAlert().first, "安装失败");
        EXPECT_TRUE(scene.controller->pluginBtn()->isEnabled());
        EXPECT_EQ(scene.controller->pluginBtn()->title(), "需要安装插件(点此安装)");
        EXPECT_FALSE(scene.settings->pluginStatus());
        AuthorizationAuthority::setShared(nullptr);
    }

    SettingsScene scene;
    scene.settings->setManagerStyle(true);
    scene.open();
    scene.click(*scene.controller->pluginBtn());
    EXPECT_EQ(scene.answerAlert().first, "安装成功");
    EXPECT_FALSE(scene.controller->pluginBtn()->isEnabled());
    EXPECT_EQ(scene.controller->pluginBtn()->title(), "插件已安装");
    EXPECT_TRUE(scene.settings->pluginStatus());
    // Opened again, the window remembers.
    scene.window->orderOut();
    scene.open();
    EXPECT_FALSE(scene.controller->pluginBtn()->isEnabled());
    EXPECT_EQ(scene.controller->pluginBtn()->title(), "插件已安装");
}
