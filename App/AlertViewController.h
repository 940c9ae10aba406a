#pragma once

#include <functional>
#include <memory>
#include <string>

#include "App/UIViewController.h"
#include "Platform/QuartzCore/CGGeometry.h"

class UIButton;
class UILabel;

// The settings window's one alert: a title, a message and one button, shown
// as a sheet on the window. The alert being shown is kept alive by
// currentAlert() until its view has gone.
class AlertViewController : public UIViewController {
public:
    static constexpr CGFloat width = 320;
    // With a message of one line; a longer one makes the sheet taller.
    static constexpr CGFloat height = 100;
    static constexpr CGFloat messageHeight = 30;

    // The alert being shown, if any; main thread only.
    static std::shared_ptr<AlertViewController>& currentAlert();

    // A new alert, kept in currentAlert() (replacing any earlier one), with
    // these texts and the closure to run once it has gone, presented as a
    // sheet on `from`'s window.
    static void show(const std::string& title, const std::string& msg, const std::string& btnTitle,
                     NSViewController& from, std::function<void()> didDisappear = nullptr);

    // Each made on first use.
    const std::shared_ptr<UIButton>& cancelBtn();
    const std::shared_ptr<UILabel>& titleLabel();
    const std::shared_ptr<UILabel>& msgLabel();

    std::function<void()> didDisappear;

protected:
    void loadView() override;
    void viewDidLoad() override;
    void viewDidDisappear() override;

private:
    std::shared_ptr<UIButton> m_cancelBtn;
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UILabel> m_msgLabel;
};
