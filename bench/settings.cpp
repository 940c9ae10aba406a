// How fast the settings app comes up and how much memory it holds: the real
// Parvex is started again and again and timed from the start of its process
// to its window shown: headless, until the window answers on the control
// socket as shown (built, laid out, the run loop turning); on a display of
// its own (Xvfb, where installed), until the window is mapped and its save
// button drawn on the screen. Its resident memory is read then. Prints
// figures only. Run it where Parvex may start ParvexMenu (scripts/bench runs
// it in the sandbox, in a process namespace of its own).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Headless/HeadlessWindowControl.h"
#include "support/ChildProcess.h"
#include "support/SettingsOnDisplay.h"

namespace {

constexpr const char* program = PARVEX_BINARY_DIR "/Parvex.app/Contents/MacOS/Parvex";
constexpr int runs = 20;

// VmRSS of /proc/<pid>/status, in kB.
long residentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(share * values.size()))];
}

struct Figures {
    std::vector<double> startMs, residentMb;

    void print(const char* how) const
    {
        std::printf("settings app, start to window shown (%s, %zu runs): median %.1f ms, p95 %.1f ms, max %.1f ms\n", how,
                    startMs.size(), percentile(startMs, 0.5), percentile(startMs, 0.95), percentile(startMs, 1.0));
        std::printf("settings app, resident memory with its window shown (%s): median %.1f MB, max %.1f MB\n", how,
                    percentile(residentMb, 0.5), percentile(residentMb, 1.0));
    }
};

// Starts Parvex `runs` times; `shown` says when its window is up. Then it is
// asked to quit as the system asks (SIGTERM) and waited for.
bool measure(Figures& figures, const std::function<bool()>& shown)
{
    for (int run = 0; run < runs; ++run) {
        auto started = std::chrono::steady_clock::now();
        ChildProcess parvex({program});
        bool up = false;
        while (!up && parvex.isRunning() && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
            up = shown();
            if (!up)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        long resident = residentKilobytes(parvex.pid());
        parvex.quit(10);
        if (!up) {
            std::fprintf(stderr, "run %d: the window never showed\n", run);
            return false;
        }
        figures.startMs.push_back(elapsed);
        figures.residentMb.push_back(resident / 1024.0);
    }
    return true;
}

bool headless(const std::string& root)
{
    std::string socket = root + "/control";
    ::setenv("PARVEX_HEADLESS_CONTROL", socket.c_str(), 1);
    Figures figures;
    bool measured = measure(figures, [&] { return HeadlessWindowControl::request(socket, "windows") == "Parvex\tkey\twindow\n"; });
    ::unsetenv("PARVEX_HEADLESS_CONTROL");
    if (measured)
        figures.print("headless");
    return measured;
}

// The first line of a file a starting server writes, once it is there.
std::string firstLine(const std::string& path)
{
    std::string line;
    for (int tries = 0; tries < 200 && line.empty(); ++tries) {
        std::ifstream(path) >> line;
        if (line.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return line;
}

// A display, a session bus and a runtime folder of the benchmark's own, as a
// desktop session gives them.
bool onDisplay(const std::string& root)
{
    if (std::system("command -v Xvfb >/dev/null && command -v dbus-daemon >/dev/null") != 0) {
        std::printf("settings app on a display: Xvfb or dbus-daemon is not installed, not measured\n");
        return true;
    }
    std::string runtime = root + "/run";
    ::mkdir(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ChildProcess xvfb({"/bin/sh", "-c", "exec Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 3>\"$0\"", root + "/display"});
    std::string display = ":" + firstLine(root + "/display");
    ChildProcess bus({"/bin/sh", "-c", "exec dbus-daemon --session --nofork --print-address=3 3>\"$0\"", root + "/bus"});
    std::string address = firstLine(root + "/bus");
    if (display == ":" || address.empty()) {
        std::fprintf(stderr, "the display or the session bus did not start\n");
        return false;
    }
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    SettingsOnDisplay screen(display);
    if (!screen.isConnected())
        return false;
    Figures figures;
    if (!measure(figures, [&] { return screen.isMappedAndDrawn(); }))
        return false;
    figures.print("on an Xvfb display, mapped and drawn");
    return true;
}

}  // namespace

int main()
{
    char pattern[] = "/tmp/parvex-bench-settings.XXXXXX";
    std::string root = ::mkdtemp(pattern);
    ::setenv("HOME", root.c_str(), 1);
    // Headless first: no display of another session may be found.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    bool measured = headless(root) && onDisplay(root);
    std::string remove = "rm -rf '" + root + "'";
    return std::system(remove.c_str()) == 0 && measured ? 0 : 1;
}
