#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/AppKit/NSViewController.h"

class DistributedNotificationCenter;
class HelperApp;
class SharedData;
class UIButton;
class UILabel;
class UITextField;

// The settings window: the login item, the management mode, the password
// (typed twice) in automatic mode, the agent's installation in manual mode,
// and saving. Every value lives in the shared settings; the window reads them
// when its view loads and writes them when the user saves, switches the login
// item or installs the agent. Every outcome shows in an alert sheet.
class ViewController : public NSViewController {
public:
    // Who the window works with; the app's are the shared ones.
    struct Collaborators {
        SharedData* sharedData = nullptr;
        HelperApp* helperApp = nullptr;
        // The agent's installation: an authorisation, then the blessing.
        std::function<bool()> createAuthorization;
        std::function<bool()> install;
        DistributedNotificationCenter* notificationCenter = nullptr;
    };
    static Collaborators shared();

    static constexpr const char* agentRequest = "top.kestrova.macOS.Parvex.Helper.do";
    static constexpr const char* clearAllRequest = "clear,all";

    explicit ViewController(Collaborators collaborators = shared());

    // Set once when the view loads.
    const std::shared_ptr<UITextField>& pwdInput() const { return m_pwdInput; }
    const std::shared_ptr<UITextField>& confirmPwdInput() const { return m_confirmPwdInput; }
    const std::shared_ptr<UIButton>& loginItemEnabledBtn() const { return m_loginItemEnabledBtn; }
    const std::shared_ptr<UIButton>& autoManagerBtn() const { return m_autoManagerBtn; }
    const std::shared_ptr<UIButton>& manualManagerBtn() const { return m_manualManagerBtn; }
    const std::shared_ptr<UIButton>& pluginBtn() const { return m_pluginBtn; }
    // Made on first use.
    const std::shared_ptr<UILabel>& label();

    void loginItemEnabledAction(UIButton& sender);
    void autoManagerAction(UIButton& sender);
    void manualManagerAction(UIButton& sender);
    void installPluginAction(UIButton& sender);
    void saveAction(UIButton& sender);

protected:
    void viewDidLoad() override;

private:
    void addModeButtons();
    void addPasswordFields();
    void addPluginButton();
    void addSaveButton();
    void updateModeViews();
    bool validateInput();
    // An alert sheet on this window with the button "好的" and no closure.
    void showAlert(const std::string& title, const std::string& msg = {});
    // A write of the settings failed: say why, in the log and to the user.
    void saveFailed();

    std::shared_ptr<UIButton> makeCheckButton(const std::string& title, int tag,
                                              const std::shared_ptr<ViewController>& target,
                                              void (ViewController::*action)(UIButton&));
    std::shared_ptr<UIButton> makeButton(const std::string& title);
    std::shared_ptr<UITextField> makeSecureField();

    Collaborators m_collaborators;
    std::shared_ptr<UITextField> m_pwdInput;
    std::shared_ptr<UITextField> m_confirmPwdInput;
    std::shared_ptr<UIButton> m_loginItemEnabledBtn;
    std::shared_ptr<UIButton> m_autoManagerBtn;
    std::shared_ptr<UIButton> m_manualManagerBtn;
    std::shared_ptr<UIButton> m_pluginBtn;
    std::shared_ptr<UILabel> m_label;
};
