#include "App/ViewController.h"

#include <cerrno>

#include "App/AlertViewController.h"
#include "App/HelperApp.h"
#include "App/JobBless.h"
#include "BaseUI/Kit/KitButton.h"
#include "BaseUI/Kit/KitColor.h"
#include "BaseUI/UI/UIButton.h"
#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UITextField.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/UTF8.h"
#include "Platform/Layout/TethraAnchors.h"
#include "Shared/Console.h"
#include "Shared/SharedData.h"

namespace {

constexpr const char* autoModeText = "自动管理模式下，自动识别NTFS卷并以读写模式挂载，在桌面有相应图标，可方便进行打开/推出操作，与正常使用硬盘无异";
constexpr const char* manualModeText = "由于权限问题，该模式下以读写模式挂载NTFS卷时桌面无图标，无法从桌面进行打开/推出操作，需要手动从状态栏进挂载/打开/推出操作，另外不支持标签名含有空格的NTFS卷";
constexpr const char* pluginInstalledTitle = "插件已安装";
constexpr const char* pluginMissingTitle = "需要安装插件(点此安装)";
constexpr const char* okTitle = "好的";
// The save button's width is ours to choose: room for its title and more.
constexpr CGFloat saveButtonWidth = 100;

// Why a save failed, in the window's language: the usual causes by name, the
// rest in general; the system's own sentence goes to the log.
std::string saveFailureReason(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT: return "磁盘空间不足，设置未能写入";
    case EACCES:
    case EPERM: return "没有写入设置文件的权限";
    case EROFS: return "设置文件所在的磁盘是只读的";
    default: return "设置未能写入，原因已记在日志里";
    }
}

bool isOn(const UIButton& button)
{
    return button.state() == NSControlStateValue::on;
}

NSControlStateValue stateFor(bool on)
{
    return on ? NSControlStateValue::on : NSControlStateValue::off;
}

}  // namespace

ViewController::Collaborators ViewController::shared()
{
    return {&SharedData::shared(), &HelperApp::shared(), [] { return JobBless::createAuthorization(); },
            [] { return JobBless::install(); }, &DistributedNotificationCenter::defaultCenter()};
}

ViewController::ViewController(Collaborators collaborators)
    : m_collaborators(std::move(collaborators))
{
}

const std::shared_ptr<UILabel>& ViewController::label()
{
    if (!m_label) {
        m_label = NSView::make<UILabel>(CGRect{});
        m_label->setUsesSingleLineMode(false);
        m_label->text().setFontSize(14);
        m_label->text().setColor(KitColor::rgb(235, 100, 75));
    }
    return m_label;
}

void ViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    view()->setWantsLayer(true);
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    auto& settings = *m_collaborators.sharedData;

    m_loginItemEnabledBtn = makeCheckButton("开机启动", 1, self, &ViewController::loginItemEnabledAction);
    m_loginItemEnabledBtn->setState(stateFor(settings.loginItemIsEnabled()));
    m_loginItemEnabledBtn->text().setColor(KitColor::rgb(111, 111, 111));
    view()->addSubview(m_loginItemEnabledBtn);
    TethraAnchors(m_loginItemEnabledBtn).top(20).left(30).width(120).height(28);

    addModeButtons();
    addPasswordFields();
    addPluginButton();
    addSaveButton();

    view()->addSubview(label());
    TethraAnchors(label()).below(m_pwdInput, 10).left(30).width(420).height(70);
    updateModeViews();
}

void ViewController::addModeButtons()
{
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    bool manual = m_collaborators.sharedData->managerStyle();
    m_autoManagerBtn = makeCheckButton("自动管理", 2, self, &ViewController::autoManagerAction);
    m_autoManagerBtn->setState(stateFor(!manual));
    m_autoManagerBtn->text().setColor(KitColor::rgb(111, 111, 111));
    view()->addSubview(m_autoManagerBtn);
    m_manualManagerBtn = makeCheckButton("手动管理", 3, self, &ViewController::manualManagerAction);
    m_manualManagerBtn->setState(stateFor(manual));
    m_manualManagerBtn->text().setColor(KitColor::rgb(111, 111, 111));
    view()->addSubview(m_manualManagerBtn);
    TethraAnchors(m_autoManagerBtn).below(m_loginItemEnabledBtn, 10).left(30).height(28).widthEqual(m_manualManagerBtn);
    TethraAnchors(m_manualManagerBtn).below(m_loginItemEnabledBtn, 10).after(m_autoManagerBtn, 20).right(30).height(28);
}

void ViewController::addPasswordFields()
{
    std::string stored = m_collaborators.sharedData->pwd();
    m_pwdInput = makeSecureField();
    m_pwdInput->setStringValue(stored);
    m_pwdInput->setPlaceholderString("输入Mac设备开机密码");
    view()->addSubview(m_pwdInput);
    m_confirmPwdInput = makeSecureField();
    m_confirmPwdInput->setStringValue(stored);
    m_confirmPwdInput->setPlaceholderString("再次输入Mac设备开机密码");
    view()->addSubview(m_confirmPwdInput);
    TethraAnchors(m_pwdInput).below(m_autoManagerBtn, 4).left(30).height(28).widthEqual(m_confirmPwdInput);
    TethraAnchors(m_confirmPwdInput).below(m_autoManagerBtn, 4).after(m_pwdInput, 20).right(30).height(28);
}

void ViewController::addPluginButton()
{
    auto self = std::static_pointer_cast<ViewController>(shared_from_this());
    bool installed = m_collaborators.sharedData->pluginStatus();
    m_pluginBtn = NSButton::withTitle<UIButton>(installed ? pluginInstalledTitle : pluginMissingTitle, self,
                                                &ViewController::installPluginAction);
    m_pluginBtn->setAlignment(NSTextAlignment::left);
    m_pluginBtn->text().setColor(KitColor::rgb(30, 100, 200));
    m_pluginBtn->text().setFontSize(15);
    view()->addSubview(m_pluginBtn);
    TethraAnchors(m_pluginBtn).below(m_autoManagerBtn, 4).left(30).width(200).height(28);
    m_pluginBtn->setHidden(true);
    m_pluginBtn->setEnabled(!installed);
}

void ViewController::addSaveButton()
{
    auto save = makeButton("保存");
    view()->addSubview(save);
    KitButton::setTarget(*save, std::static_pointer_cast<ViewController>(shared_from_this()), &ViewController::saveAction);
    // The window's default button: return saves wherever the focus is.
    save->setKeyEquivalent("\r");
    TethraAnchors(save).bottom(30).left(30).width(saveButtonWidth).height(32);
}

void ViewController::loginItemEnabledAction(UIButton& sender)
{
    m_collaborators.helperApp->setLoginItemEnabled(isOn(sender));
}

void ViewController::autoManagerAction(UIButton&)
{
    m_manualManagerBtn->setState(stateFor(!isOn(*m_autoManagerBtn)));
    updateModeViews();
}

void ViewController::manualManagerAction(UIButton&)
{
    m_autoManagerBtn->setState(stateFor(!isOn(*m_manualManagerBtn)));
    updateModeViews();
}

void ViewController::updateModeViews()
{
    bool automatic = isOn(*m_autoManagerBtn);
    m_pwdInput->setHidden(!automatic);
    m_confirmPwdInput->setHidden(!automatic);
    m_pluginBtn->setHidden(automatic);
    label()->setStringValue(automatic ? autoModeText : manualModeText);
}

void ViewController::installPluginAction(UIButton& sender)
{
    if (m_collaborators.createAuthorization() && m_collaborators.install()) {
        sender.setEnabled(false);
        sender.setTitle(pluginInstalledTitle);
        m_collaborators.sharedData->setPluginStatus(true);
        showAlert("安装成功");
        return;
    }
    showAlert("安装失败");
}

void ViewController::saveAction(UIButton&)
{
    if (!validateInput())
        return;
    auto& settings = *m_collaborators.sharedData;
    // A save that did not reach the settings file must not report "已保存".
    if (!settings.setPwd(m_pwdInput->stringValue())) {
        saveFailed();
        return;
    }
    bool manual = isOn(*m_manualManagerBtn);
    if (!manual) {
        // Nobody answers this request; only a post that never left is worth a line.
        auto posted = m_collaborators.notificationCenter->post(agentRequest, PropertyListValue(std::string(clearAllRequest)),
                                                               DistributedNotificationCenter::deliverToAllSessions);
        if (!posted)
            Console::shared().printLog("clear,all was not sent: " + posted.error().description, "saveAction(sender:)");
    }
    if (settings.managerStyle() != manual) {
        if (!settings.setManagerStyle(manual)) {
            saveFailed();
            return;
        }
        m_collaborators.helperApp->relaunch();
    }
    showAlert("已保存", "首次设置或者管理模式变动后需重启电脑，其他情况不用重启电脑");
}

void ViewController::saveFailed()
{
    auto error = m_collaborators.sharedData->lastWriteError();
    Console::shared().printLog("The settings were not saved: " +
                                   (error ? error->description : std::string("no reason was given")),
                               "saveAction(sender:)");
    showAlert("保存失败", saveFailureReason(error ? error->code : 0));
}

bool ViewController::validateInput()
{
    const std::string& password = m_pwdInput->stringValue();
    if (UTF8::graphemeCount(password) < 4) {
        showAlert("请输入Mac设备开机密码");
        return false;
    }
    // Canonically equivalent spellings are the same password; case is not.
    if (UTF8::nfc(password) != UTF8::nfc(m_confirmPwdInput->stringValue())) {
        showAlert("Mac设备开机密码两次输入不一致");
        return false;
    }
    return true;
}

void ViewController::showAlert(const std::string& title, const std::string& msg)
{
    AlertViewController::show(title, msg, okTitle, *this);
}

std::shared_ptr<UIButton> ViewController::makeCheckButton(const std::string& title, int tag,
                                                          const std::shared_ptr<ViewController>& target,
                                                          void (ViewController::*action)(UIButton&))
{
    auto button = NSButton::withTitle<UIButton>(title, NSImage::named("normal"), target, action);
    button->setTag(tag);
    button->setButtonType(NSButtonType::switchButton);
    button->setAlternateImage(NSImage::named("ok"));
    button->text().setFontSize(16);
    return button;
}

std::shared_ptr<UIButton> ViewController::makeButton(const std::string& title)
{
    auto button = NSButton::withTitle<UIButton>(title);
    button->text().setColor(NSColor::white());
    button->text().setFontSize(15);
    button->border().setColor(KitColor::rgb(30, 100, 200));
    button->border().setWidth(1);
    button->border().setRadius(5);
    button->background().setColor(KitColor::rgb(30, 100, 200));
    button->highlight().background().setColor(KitColor::rgb(30, 90, 180));
    return button;
}

std::shared_ptr<UITextField> ViewController::makeSecureField()
{
    auto field = NSView::make<UITextField>(CGRect{});
    field->setIsSecure(true);
    field->setEditable(true);
    field->text().setColor(KitColor::rgb(235, 100, 75));
    field->text().setFontSize(15);
    field->border().setWidth(1);
    field->border().setColor(KitColor::rgb(133, 183, 183));
    field->border().setRadius(5);
    field->background().setColor(NSColor::white());
    return field;
}
