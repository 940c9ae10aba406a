// How fast the settings app comes up and how much memory it holds: the real
// Parvex is started again and again, headless, and timed from the start of
// its process to its window answering on the control socket as shown (built,
// laid out and on screen with the run loop turning); its resident memory is
// read then. Prints figures only. Run it where Parvex may start ParvexMenu
// (scripts/bench runs it in the sandbox, in a process namespace of its own).
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Platform/AppKit/HeadlessWindowControl.h"

extern char** environ;

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

}  // namespace

int main()
{
    char pattern[] = "/tmp/parvex-bench-settings.XXXXXX";
    std::string root = ::mkdtemp(pattern);
    std::string socket = root + "/control";
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("PARVEX_HEADLESS_CONTROL", socket.c_str(), 1);

    std::vector<double> startMs, residentMb;
    for (int run = 0; run < runs; ++run) {
        char* argv[] = {const_cast<char*>(program), nullptr};
        auto started = std::chrono::steady_clock::now();
        pid_t pid = -1;
        if (::posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", program);
            return 1;
        }
        bool shown = false;
        while (!shown && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
            shown = HeadlessWindowControl::request(socket, "windows") == "Parvex\tkey\twindow\n";
            if (!shown)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        long resident = residentKilobytes(pid);
        HeadlessWindowControl::request(socket, "close");
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!shown) {
            std::fprintf(stderr, "run %d: the window never showed\n", run);
            return 1;
        }
        startMs.push_back(elapsed);
        residentMb.push_back(resident / 1024.0);
    }
    std::printf("settings app, start to window laid out and shown (headless, %d runs): median %.1f ms, p95 %.1f ms, "
                "max %.1f ms\n", runs, percentile(startMs, 0.5), percentile(startMs, 0.95), percentile(startMs, 1.0));
    std::printf("settings app, resident memory with its window shown: median %.1f MB, max %.1f MB\n",
                percentile(residentMb, 0.5), percentile(residentMb, 1.0));
    std::string remove = "rm -rf '" + root + "'";
    return std::system(remove.c_str()) == 0 ? 0 : 1;
}
