// Drawing cost of the settings window's widgets and of a running spinner.
// 1. The window's widget set as its controller lays it out (check boxes,
//    password fields, the mode label, the save button) drawn into an image
//    at twice its size: median and 95th percentile of a draw.
//    `bench_render PATH` also writes the picture to PATH.
// 2. A spinner animating on the system clock, redrawn 60 times a second (as
//    a display would) for three seconds: the process's CPU time as a share
//    of one core (the aim is under 2 %), and the median cost of one frame.
#include <cairo.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BaseUI/UI/Loading/MaterialProgress.h"
#include "BaseUI/UI/UIButton.h"
#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UITextField.h"
#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"
#include "Platform/Layout/TethraAnchors.h"
#include "Shared/Kit/KitColor.h"

namespace {

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * (values.size() - 1))];
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// A 16-point check-box picture, empty or ticked, standing in for the app's artwork.
std::shared_ptr<NSImage> checkBoxImage(bool ticked)
{
    auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
    auto* cr = cairo_create(surface);
    cairo_rectangle(cr, 1.5, 1.5, 13, 13);
    cairo_set_source_rgb(cr, 0.44, 0.44, 0.44);
    cairo_stroke(cr);
    if (ticked) {
        cairo_move_to(cr, 4, 8);
        cairo_line_to(cr, 7, 11);
        cairo_line_to(cr, 12, 4);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(surface, appendBytes, &png);
    cairo_surface_destroy(surface);
    return NSImage::fromData(png);
}

std::shared_ptr<UIButton> checkBox(const std::string& title, int tag, bool on)
{
    auto button = NSButton::withTitle<UIButton>(title, checkBoxImage(false));
    button->setTag(tag);
    button->setButtonType(NSButtonType::switchButton);
    button->setAlternateImage(checkBoxImage(true));
    button->setState(on ? NSControlStateValue::on : NSControlStateValue::off);
    button->text().setFontSize(16);
    button->text().setColor(KitColor::rgb(111, 111, 111));
    return button;
}

std::shared_ptr<UITextField> secureField(const std::string& placeholder)
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
    field->setPlaceholderString(placeholder);
    return field;
}

std::shared_ptr<NSWindow> settingsWindow()
{
    auto window = NSWindow::make({0, 0, 480, 300});
    auto content = window->contentView();
    content->setWantsLayer(true);
    auto login = checkBox("开机启动", 1, false);
    auto automatic = checkBox("自动管理", 2, true);
    auto manual = checkBox("手动管理", 3, false);
    auto password = secureField("输入Mac设备开机密码");
    auto confirm = secureField("再次输入Mac设备开机密码");
    password->setStringValue("password");
    auto plugin = NSButton::withTitle<UIButton>("需要安装插件(点此安装)");
    plugin->setAlignment(NSTextAlignment::left);
    plugin->text().setColor(KitColor::rgb(30, 100, 200));
    plugin->text().setFontSize(15);
    plugin->setHidden(true);
    auto save = NSButton::withTitle<UIButton>("保存");
    save->text().setColor(NSColor::white());
    save->text().setFontSize(15);
    save->border().setColor(KitColor::rgb(30, 100, 200));
    save->border().setWidth(1);
    save->border().setRadius(5);
    save->background().setColor(KitColor::rgb(30, 100, 200));
    save->highlight().background().setColor(KitColor::rgb(30, 90, 180));
    auto label = NSView::make<UILabel>(CGRect{});
    label->setUsesSingleLineMode(false);
    label->text().setFontSize(14);
    label->text().setColor(KitColor::rgb(235, 100, 75));
    label->setStringValue("自动管理模式下，自动识别NTFS卷并以读写模式挂载，在桌面有相应图标，可方便进行打开/推出操作，与正常使用硬盘无异");
    for (const std::shared_ptr<NSView>& view : std::initializer_list<std::shared_ptr<NSView>>{
             login, automatic, manual, password, confirm, plugin, save, label})
        content->addSubview(view);

    TethraAnchors(login).top(20).left(30).width(120).height(28);
    TethraAnchors(automatic).below(login, 10).left(30).height(28).widthEqual(manual);
    TethraAnchors(manual).below(login, 10).after(automatic, 20).right(30).height(28);
    TethraAnchors(password).below(automatic, 4).left(30).height(28).widthEqual(confirm);
    TethraAnchors(confirm).below(automatic, 4).after(password, 20).right(30).height(28);
    TethraAnchors(plugin).below(automatic, 4).left(30).width(200).height(28);
    TethraAnchors(save).bottom(30).left(30).height(32);
    TethraAnchors(label).below(password, 10).left(30).width(420).height(70);
    window->layoutIfNeeded();
    return window;
}

void benchWindow(const char* pngPath)
{
    auto window = settingsWindow();
    auto& content = *window->contentView();
    auto image = NSBitmapImageRep::make(content.bounds().size, 2);
    content.cacheDisplay(content.bounds(), *image);  // fonts loaded, caches warm
    std::vector<double> costs;
    for (int run = 0; run < 100; ++run) {
        auto start = std::chrono::steady_clock::now();
        content.cacheDisplay(content.bounds(), *image);
        costs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    if (pngPath && !image->writePNG(pngPath))
        std::printf("could not write %s\n", pngPath);
    std::printf("settings window, 480x300 pt at 2x (%dx%d px): median %.2f ms, p95 %.2f ms per draw (%d boxes)\n",
                image->pixelsWide(), image->pixelsHigh(), percentile(costs, 0.5), percentile(costs, 0.95),
                image->unknownGlyphCount());
}

void benchSpinner()
{
    auto spinner = NSView::make<MaterialProgress>(CGRect{0, 0, 100, 100});
    spinner->setAnimate(true);
    auto image = NSBitmapImageRep::make(spinner->bounds().size, 2);
    std::vector<double> frames;
    auto timer = Timer::scheduledTimer(1.0 / 60, true, [&](Timer&) {
        auto start = std::chrono::steady_clock::now();
        spinner->cacheDisplay(spinner->bounds(), *image);
        frames.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    });
    double cpuStart = cpuSeconds();
    auto wallStart = std::chrono::steady_clock::now();
    RunLoop::main().runUntil([] { return false; }, 3);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    double cpu = cpuSeconds() - cpuStart;
    timer->invalidate();
    spinner->setAnimate(false);
    std::printf("spinner 100x100 pt at 2x, 60 frames/s: %zu frames in %.2f s, CPU %.2f%% of one core, median %.3f ms per frame\n",
                frames.size(), wall, 100 * cpu / wall, percentile(frames, 0.5));
}

}  // namespace

// With a path, the window's picture is written there too.
int main(int argc, char** argv)
{
    benchWindow(argc > 1 ? argv[1] : nullptr);
    benchSpinner();
    return 0;
}
