#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "App/AlertViewController.h"
#include "App/HelperApp.h"
#include "App/MainInterface.h"
#include "App/ViewController.h"
#include "BaseUI/UI/UIButton.h"
#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UITextField.h"
#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Shared/SharedData.h"
#include "support/InProcessNotificationBus.h"
#include "support/TemporaryFolder.h"

// The settings window as the app shows it, on settings, a launch-agents folder
// and a bus of the test's own, with the built app bundle as main bundle (its
// check-box pictures). The test acts as a person: it clicks the widgets and
// types through the window's event routing, and answers the alerts.
class SettingsScene {
public:
    static constexpr const char* bundle = PARVEX_BINARY_DIR "/Parvex.app";

    SettingsScene()
    {
        NSBundle::setMain(std::make_shared<NSBundle>(bundle));
        std::filesystem::create_directories(folder / "LaunchAgents");
        helperApp = std::make_unique<HelperApp>(HelperApp::Context{
            [] { return std::string(bundle); }, [] { return std::string(bundle) + "/Contents/Resources"; },
            folder / "LaunchAgents/", folder / "UserLaunchAgents/", settings.get(),
            [] { return std::vector<std::shared_ptr<NSRunningApplication>>{}; },
            [this](const std::string& path) { launches.push_back(path); }, std::chrono::milliseconds(0)});
    }
    ~SettingsScene()
    {
        if (window)
            window->orderOut();
        AlertViewController::currentAlert().reset();
        RunLoop::main().runUntilIdle();
        NSBundle::setMain(nullptr);
    }

    ViewController::Collaborators collaborators()
    {
        return {settings.get(), helperApp.get(), [this] { return installs; }, [this] { return installs; }, &center};
    }

    // The window on screen, as the app's main interface makes it.
    void open()
    {
        controller = std::make_shared<ViewController>(collaborators());
        window = NSWindow::make({{0, 0}, MainInterface::windowSize});
        window->setContentViewController(controller);
        window->makeKeyAndOrderFront();
    }

    void click(NSView& view)
    {
        auto target = view.window();
        target->layoutIfNeeded();
        CGPoint center = view.convertToWindow({view.bounds().midX(), view.bounds().midY()});
        // A second apart: no double clicks.
        m_time += 1;
        target->sendEvent(NSEvent::mouseEvent(NSEvent::EventType::leftMouseDown, center, m_time));
        target->sendEvent(NSEvent::mouseEvent(NSEvent::EventType::leftMouseUp, center, m_time + 0.05));
    }
    // The mouse comes to rest over the view's centre.
    void moveMouseOver(NSView& view)
    {
        auto target = view.window();
        target->layoutIfNeeded();
        CGPoint center = view.convertToWindow({view.bounds().midX(), view.bounds().midY()});
        target->sendEvent(NSEvent::mouseEvent(NSEvent::EventType::mouseMoved, center, ++m_time));
    }
    // Clicks into the field (selecting its text) and types over it.
    void type(UITextField& field, const std::string& text)
    {
        click(field);
        field.window()->sendEvent(NSEvent::keyEvent(text, ++m_time));
    }
    void typePasswords(const std::string& password, const std::string& again)
    {
        type(*controller->pwdInput(), password);
        type(*controller->confirmPwdInput(), again);
    }
    void save() { click(*saveButton()); }
    std::shared_ptr<UIButton> saveButton() const
    {
        for (const auto& view : controller->view()->subviews()) {
            auto button = std::dynamic_pointer_cast<UIButton>(view);
            if (button && button->title() == "保存")
                return button;
        }
        return nullptr;
    }

    // The alert on the window now, as (title, message); empty when none.
    std::pair<std::string, std::string> alert() const
    {
        auto sheet = window->attachedSheet();
        auto shown = sheet ? std::dynamic_pointer_cast<AlertViewController>(sheet->contentViewController()) : nullptr;
        if (!shown)
            return {};
        return {shown->titleLabel()->stringValue(), shown->msgLabel()->stringValue()};
    }
    // Reads the alert, each of its texts whole, and clicks its button.
    std::pair<std::string, std::string> answerAlert()
    {
        auto shown = alert();
        if (auto sheet = window->attachedSheet()) {
            auto alert = std::dynamic_pointer_cast<AlertViewController>(sheet->contentViewController());
            expectWhole(*alert);
            click(*alert->cancelBtn());
        }
        return shown;
    }
    // Each label of the alert has the room its text needs: no line of it is
    // cut off or shortened.
    static void expectWhole(AlertViewController& alert)
    {
        alert.view()->window()->layoutIfNeeded();
        for (const auto& label : {alert.titleLabel(), alert.msgLabel()}) {
            CGSize needed = label->cell()->cellSizeForBounds(label->bounds());
            EXPECT_LE(needed.width, label->bounds().width()) << label->stringValue();
            EXPECT_LE(needed.height, label->bounds().height()) << label->stringValue();
        }
    }

    // Requests posted to the agent, in order.
    std::vector<std::string> agentRequests() const
    {
        std::vector<std::string> requests;
        for (const auto& post : bus->posts()) {
            const std::string* text = post.object ? post.object->string() : nullptr;
            if (post.name == ViewController::agentRequest && text)
                requests.push_back(*text + " options " + std::to_string(post.options));
        }
        return requests;
    }

    TemporaryFolder folder{"settings"};
    std::string settingsPath = folder / "Preferences/top.kestrova.macOS.Parvex.Shared.plist";
    std::unique_ptr<SharedData> settings = std::make_unique<SharedData>(
        std::make_shared<UserDefaults>(std::string(SharedData::suiteName), settingsPath));
    std::unique_ptr<HelperApp> helperApp;
    std::vector<std::string> launches;
    bool installs = true;
    std::shared_ptr<InProcessNotificationBus> bus = std::make_shared<InProcessNotificationBus>();
    DistributedNotificationCenter center{bus};
    std::shared_ptr<ViewController> controller;
    std::shared_ptr<NSWindow> window;

private:
    double m_time = 0;
};
