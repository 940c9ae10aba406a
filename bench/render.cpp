// Drawing cost of the settings window's widgets and of a running spinner.
// 1. The settings window's content as the app's controller builds it (check
//    boxes, password fields, the mode label, the save button) drawn into an
//    image at twice its size: median and 95th percentile of a draw.
//    `bench_render PATH` also writes the picture to PATH.
// 2. A spinner animating on the system clock, redrawn 60 times a second (as
//    a display would) for three seconds: the process's CPU time as a share
//    of one core (the aim is under 2 %), and the median cost of one frame.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "App/MainInterface.h"
#include "App/ViewController.h"
#include "BaseUI/UI/Loading/MaterialProgress.h"
#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"

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


// The settings window as the app lays it out, with the built bundle's
// check-box pictures.
std::shared_ptr<NSWindow> settingsWindow()
{
    NSBundle::setMain(std::make_shared<NSBundle>(PARVEX_BINARY_DIR "/Parvex.app"));
    auto window = NSWindow::make({{0, 0}, MainInterface::windowSize});
    window->setContentViewController(std::make_shared<ViewController>());
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
    std::printf("settings window, %gx%g pt at 2x (%dx%d px): median %.2f ms, p95 %.2f ms per draw (%d boxes)\n",
                content.bounds().size.width, content.bounds().size.height, image->pixelsWide(), image->pixelsHigh(), percentile(costs, 0.5), percentile(costs, 0.95),
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
