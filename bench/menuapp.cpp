// An idle ParvexMenu with four NTFS volumes listed (and mounted, automatic
// mode), on the disk-tool doubles: its resident memory after the run and its
// CPU use over it, its children (the scan's shell scripts) included.
//   bench_menuapp [SECONDS]      (default 60; run it inside scripts/sandbox,
//                                 which gives it /Users/tamsel for the log)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Shared/SharedData.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// utime + stime + cutime + cstime of /proc/PID/stat, in clock ticks.
long long cpuTicks(pid_t pid)
{
    std::string stat = readText("/proc/" + std::to_string(pid) + "/stat");
    // The fields after the command name, which may hold spaces, start at its ')'.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::vector<std::string> values;
    for (std::string value; fields >> value;)
        values.push_back(value);
    // state is field 3; utime..cstime are fields 14..17.
    if (values.size() < 15)
        return -1;
    long long total = 0;
    for (int field = 14; field <= 17; ++field)
        total += std::stoll(values[static_cast<size_t>(field - 3)]);
    return total;
}

std::string statusValue(pid_t pid, const std::string& key)
{
    std::istringstream status(readText("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key + ":", 0) == 0) {
            size_t start = line.find_first_not_of(" \t", key.size() + 1);
            return start == std::string::npos ? "" : line.substr(start);
        }
    }
    return "?";
}

}  // namespace

// The doubles' answers; the run makes no sense without them.
void put(const std::string& path, const std::string& text)
{
    if (auto written = FileManager::writeAtomically(path, text); !written) {
        std::fprintf(stderr, "bench_menuapp: %s\n", written.error().description.c_str());
        std::exit(1);
    }
}

int main(int argc, char** argv)
{
    if (!std::getenv("PARVEX_SANDBOX")) {
        std::fprintf(stderr, "bench_menuapp: run it inside scripts/sandbox (ParvexMenu writes /Users/tamsel)\n");
        return 77;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const std::string app =
        PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu";
    if (::access(app.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_menuapp: build ParvexMenu first (%s)\n", app.c_str());
        return 1;
    }

    char pattern[] = "/tmp/parvex-bench-menu.XXXXXX";
    const std::string root = ::mkdtemp(pattern);
    const std::string state = root + "/state", home = root + "/home";
    std::filesystem::create_directories(state + "/info");
    std::filesystem::create_directories(home + "/Desktop");
    std::string list = "/dev/disk4 (external, physical):\n"
                       "   #:                       TYPE NAME                    SIZE       IDENTIFIER\n";
    std::string df = "Filesystem     Size   Used  Avail Capacity  Mounted on\n";
    const char* names[] = {"Data", "Photos", "Work", "Backup"};
    for (int index = 0; index < 4; ++index) {
        std::string identifier = "disk4s" + std::to_string(index + 1);
        list += "   " + std::to_string(index + 1) + ":               Windows_NTFS " + names[index]
            + "                    500 MB     " + identifier + "\n";
        put(state + "/info/" + identifier,
            "   Device Identifier:         " + identifier + "\n   Volume Name:               " + names[index]
            + "\n   Mounted:                   Yes\n   File System Personality:   NTFS\n");
        df += "/dev/" + identifier + "   500M   1M   499M     1%    " + home + "/Desktop/" + names[index] + "\n";
    }
    put(state + "/list", list + "\n");
    put(state + "/df", df);
    SharedData settings(std::make_shared<UserDefaults>(std::string(SharedData::suiteName),
        home + "/Library/Preferences/top.kestrova.macOS.Parvex.Shared.plist"));
    settings.setPwd("bench");
    settings.setManagerStyle(false);

    ::setenv("PATH", (std::string(PARVEX_SOURCE_DIR) + "/tests/doubles/bin:" + std::getenv("PATH")).c_str(), 1);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("PARVEX_DOUBLES", state.c_str(), 1);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char* arguments[] = {const_cast<char*>(app.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, app.c_str(), &actions, nullptr, arguments, environ) != 0) {
        std::fprintf(stderr, "bench_menuapp: cannot start %s\n", app.c_str());
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);

    // Start-up: the first scans find and mount the four volumes. A record
    // starts after the previous one's 0x1e, and sudo's own record names
    // mount_ntfs too, so the double's record is matched with its start.
    const auto launched = Clock::now();
    const long long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    while (occurrences(readText(state + "/calls"), std::string("\x1emount_ntfs\0", 12)) < 4) {
        if (Clock::now() - launched > std::chrono::seconds(120)) {
            std::fprintf(stderr, "bench_menuapp: the volumes were not mounted\n");
            ::kill(pid, SIGKILL);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double startup = std::chrono::duration<double>(Clock::now() - launched).count();
    const long long startupTicks = cpuTicks(pid);

    // Idle: every tick lists the disks and checks df, nothing more.
    const auto idleStart = Clock::now();
    const size_t scansBefore = occurrences(readText(state + "/calls"), std::string("diskutil\0list", 13));
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const long long idleTicks = cpuTicks(pid) - startupTicks;
    const double idle = std::chrono::duration<double>(Clock::now() - idleStart).count();
    const size_t scans = occurrences(readText(state + "/calls"), std::string("diskutil\0list", 13)) - scansBefore;
    const std::string rss = statusValue(pid, "VmRSS");
    const std::string peak = statusValue(pid, "VmHWM");

    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);

    std::printf("ParvexMenu, 4 NTFS volumes listed and mounted (tool doubles), automatic mode\n");
    std::printf("start-up until all four mounted: %.2f s, CPU %.2f s (with children)\n", startup,
                static_cast<double>(startupTicks) / ticksPerSecond);
    std::printf("idle run: %.1f s, %zu scans\n", idle, scans);
    std::printf("resident memory at the end (VmRSS): %s (peak VmHWM %s)\n", rss.c_str(), peak.c_str());
    std::printf("CPU over the idle run, children included: %.2f s = %.2f%% of one core\n",
                static_cast<double>(idleTicks) / ticksPerSecond,
                100.0 * static_cast<double>(idleTicks) / ticksPerSecond / idle);
    std::printf("exit after SIGTERM: %s %d\n", WIFEXITED(status) ? "status" : "signal",
                WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    return 0;
}
