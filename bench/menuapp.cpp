// An idle ParvexMenu with four NTFS volumes listed and mounted (automatic
// mode), on the real disk tools and four real NTFS images (as root, inside
// scripts/sandbox: it starts itself there), with its status item registered
// in a StatusNotifierItem panel on a session bus of its own (a watcher, and a
// host on an Xvfb display where those are installed): the time from start to
// the item registered, its resident memory after the run and its CPU use over
// it, its children (the scan's shell scripts and tools) included, the CPU the
// ntfs-3g daemons spend answering the scan's df, whether GTK (or the settings
// app's drawing libraries, cairo and pango) was loaded, and the time from the
// panel's AboutToShow to the new layout in its hands.
//   bench_menuapp [SECONDS]      (default 60)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gio/gio.h>

#include <algorithm>
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
#include "Platform/Foundation/Text.h"
#include "Platform/Foundation/MountTable.h"
#include "support/AttachedDisk.h"
#include "support/DiskSandbox.h"
#include "support/NtfsImage.h"

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

// utime + stime + cutime + cstime of /proc/PID/stat, in clock ticks; the
// process's own share alone (utime + stime) when `children` is false.
long long cpuTicks(pid_t pid, bool children = true)
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
    for (int field = 14; field <= (children ? 17 : 15); ++field)
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

pid_t spawn(const std::vector<std::string>& arguments, const std::string& output = "/dev/null")
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool installed(const char* program)
{
    for (const auto& folder : Text::split(std::getenv("PATH") ? std::getenv("PATH") : "", ':')) {
        if (::access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

// The first line of a file, once something wrote one.
std::string firstLine(const std::string& path, double seconds)
{
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < until) {
        std::string text = readText(path);
        if (text.find('\n') != std::string::npos)
            return text.substr(0, text.find('\n'));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

GVariant* call(GDBusConnection* bus, const std::string& destination, const char* path, const char* interface,
               const char* method, GVariant* parameters)
{
    return g_dbus_connection_call_sync(bus, destination.c_str(), path, interface, method, parameters, nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
}

bool registered(GDBusConnection* bus, const std::string& item)
{
    GVariant* reply = call(bus, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                           "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"));
    if (!reply)
        return false;
    gchar* text = g_variant_print(reply, false);
    bool found = std::string(text).find(item) != std::string::npos;
    g_free(text);
    g_variant_unref(reply);
    return found;
}

}  // namespace

// The CPU ticks, children included, of every ntfs-3g daemon serving one of `nodes`.
long long daemonTicks(const std::vector<std::string>& nodes)
{
    long long total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string command = readText("/proc/" + name + "/cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (command.find("ntfs-3g") == std::string::npos)
            continue;
        for (const auto& node : nodes) {
            if (command.find(node + " ") != std::string::npos) {
                total += std::max(0LL, cpuTicks(static_cast<pid_t>(std::stol(name))));
                break;
            }
        }
    }
    return total;
}

int main(int argc, char** argv)
{
    if (std::string(std::getenv("PARVEX_SANDBOX") ? std::getenv("PARVEX_SANDBOX") : "") != "inside") {
        if (::geteuid() != 0) {
            std::printf("menuapp: needs root (loop devices, mounts, a private sandbox); skipped\n");
            return 0;
        }
        ::execl(PARVEX_SOURCE_DIR "/scripts/sandbox", "sandbox", argv[0], argc > 1 ? argv[1] : nullptr,
                static_cast<char*>(nullptr));
        std::perror("menuapp: scripts/sandbox");
        return 1;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const std::string app =
        PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu";
    if (::access(app.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_menuapp: build ParvexMenu first (%s)\n", app.c_str());
        return 1;
    }
    if (std::string missing = DiskSandbox::missingRequirement(); !missing.empty()) {
        std::printf("menuapp: %s; skipped\n", missing.c_str());
        return 0;
    }

    // Four volumes plugged in; ParvexMenu (automatic mode) takes them to the desktop.
    char pattern[] = "/tmp/parvex-bench-menu.XXXXXX";
    const std::string root = ::mkdtemp(pattern);
    std::string error;
    if (!DiskSandbox::prepare(&error) || !DiskSandbox::writeSettings(false, "the login password")) {
        std::fprintf(stderr, "bench_menuapp: cannot set up: %s\n", error.c_str());
        return 1;
    }
    const char* names[] = {"Data", "Photos", "Work", "Backup"};
    std::vector<std::unique_ptr<AttachedDisk>> disks;
    std::vector<std::string> nodes;
    for (const char* name : names) {
        const std::string image = root + "/" + name + ".img";
        auto disk = NtfsImage::make(image, name, {{"hello.txt", "from Windows\n"}}, &error) ? AttachedDisk::attach(image)
                                                                                             : nullptr;
        if (!disk) {
            std::fprintf(stderr, "bench_menuapp: cannot plug in %s: %s\n", name, error.c_str());
            return 1;
        }
        nodes.push_back(disk->volumeNode());
        disks.push_back(std::move(disk));
    }
    auto allWritable = [&] {
        MountTable table;
        for (size_t index = 0; index < disks.size(); ++index) {
            auto mount = table.mountAt(std::string(DiskSandbox::desktop) + "/" + names[index]);
            if (!mount || mount->source != nodes[index] || !mount->isReadWrite())
                return false;
        }
        return true;
    };

    // The desktop: a session bus, a watcher and, with a display, a host.
    std::vector<pid_t> desktop;
    const std::string runtime = root + "/run";
    if (auto made = FileManager::createDirectory(runtime, true, 0700); !made) {
        std::fprintf(stderr, "bench_menuapp: %s\n", made.error().description.c_str());
        return 1;
    }
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    desktop.push_back(spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, root + "/bus"));
    const std::string address = firstLine(root + "/bus", 10);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    const bool withHost = installed("Xvfb") && installed("gtk-sni-tray-standalone");
    if (withHost) {
        desktop.push_back(spawn({"Xvfb", "-displayfd", "1", "-noreset"}, root + "/display"));
        ::setenv("DISPLAY", (":" + firstLine(root + "/display", 10)).c_str(), 1);
    }
    GDBusConnection* bus = address.empty() ? nullptr : g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus || !installed("status-notifier-watcher")) {
        std::fprintf(stderr, "bench_menuapp: needs dbus-daemon and status-notifier-watcher (scripts/deps)\n");
        return 1;
    }
    desktop.push_back(spawn({"status-notifier-watcher"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (withHost)
        desktop.push_back(spawn({"gtk-sni-tray-standalone", "--bottom"}));

    const pid_t pid = spawn({app});
    if (pid < 0) {
        std::fprintf(stderr, "bench_menuapp: cannot start %s\n", app.c_str());
        return 1;
    }
    const std::string item = "org.kde.StatusNotifierItem-" + std::to_string(pid) + "-1";

    // Start-up: the first scans find the four volumes and mount them on the desktop.
    const auto launched = Clock::now();
    const long long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    while (!registered(bus, item) && Clock::now() - launched < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double toRegistered = std::chrono::duration<double>(Clock::now() - launched).count();
    const bool wasRegistered = registered(bus, item);
    while (!allWritable()) {
        if (Clock::now() - launched > std::chrono::seconds(120)) {
            std::fprintf(stderr, "bench_menuapp: the volumes were not mounted\n");
            ::kill(pid, SIGKILL);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double startup = std::chrono::duration<double>(Clock::now() - launched).count();
    const long long startupTicks = cpuTicks(pid);

    // Idle: every tick lists the disks and checks df, nothing more. The
    // cycles the mounts themselves started are over before it begins.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long long idleStartTicks = cpuTicks(pid);
    const long long idleStartOwnTicks = cpuTicks(pid, false);
    const long long daemonsBefore = daemonTicks(nodes);
    const auto idleStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const long long idleTicks = cpuTicks(pid) - idleStartTicks;
    const long long idleOwnTicks = cpuTicks(pid, false) - idleStartOwnTicks;
    const long long daemonIdleTicks = daemonTicks(nodes) - daemonsBefore;
    const double idle = std::chrono::duration<double>(Clock::now() - idleStart).count();
    const size_t scans = static_cast<size_t>(idle / 2.5);
    const std::string rss = statusValue(pid, "VmRSS");
    const std::string peak = statusValue(pid, "VmHWM");
    const std::string maps = readText("/proc/" + std::to_string(pid) + "/maps");
    const bool gtkLoaded = maps.find("libgtk") != std::string::npos;
    const bool drawingLoaded = maps.find("libcairo") != std::string::npos || maps.find("libpango") != std::string::npos;

    // The panel opens the menu: AboutToShow rebuilds it, GetLayout fetches it;
    // "closed" lets the scan go on.
    std::vector<double> rebuilds;
    for (int round = 0; round < 50; ++round) {
        const auto asked = Clock::now();
        GVariant* shown = call(bus, item, "/MenuBar", "com.canonical.dbusmenu", "AboutToShow", g_variant_new("(i)", 0));
        GVariant* layout = call(bus, item, "/MenuBar", "com.canonical.dbusmenu", "GetLayout",
                                g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)));
        rebuilds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
        GVariant* closed = call(bus, item, "/MenuBar", "com.canonical.dbusmenu", "Event",
                                g_variant_new("(isvu)", 0, "closed", g_variant_new_string(""), 0u));
        for (GVariant* reply : {shown, layout, closed}) {
            if (reply)
                g_variant_unref(reply);
        }
    }
    std::sort(rebuilds.begin(), rebuilds.end());

    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (auto each = desktop.rbegin(); each != desktop.rend(); ++each) {
        ::kill(*each, SIGTERM);
        ::waitpid(*each, nullptr, 0);
    }
    disks.clear();
    DiskSandbox::cleanUp();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);

    std::printf("ParvexMenu, 4 NTFS volumes listed and mounted (real tools and images), automatic mode,\n"
                "status item in a StatusNotifierItem panel (watcher%s)\n", withHost ? " and gtk-sni-tray host on Xvfb" : "");
    std::printf("start until the item was registered with the watcher: %.0f ms%s\n", toRegistered * 1000,
                wasRegistered ? "" : " (NOT registered)");
    std::printf("start-up until all four mounted: %.2f s, CPU %.2f s (with children)\n", startup,
                static_cast<double>(startupTicks) / ticksPerSecond);
    std::printf("idle run: %.1f s, %zu ticks\n", idle, scans);
    std::printf("resident memory at the end (VmRSS): %s (peak VmHWM %s)\n", rss.c_str(), peak.c_str());
    std::printf("CPU over the idle run, children included: %.2f s = %.2f%% of one core\n",
                static_cast<double>(idleTicks) / ticksPerSecond,
                100.0 * static_cast<double>(idleTicks) / ticksPerSecond / idle);
    std::printf("  of which ParvexMenu itself: %.2f%% (the rest: the scan's shell scripts and tools)\n",
                100.0 * static_cast<double>(idleOwnTicks) / ticksPerSecond / idle);
    std::printf("  children's CPU per tick: %.1f ms\n",
                1000.0 * static_cast<double>(idleTicks - idleOwnTicks) / ticksPerSecond / static_cast<double>(scans));
    std::printf("the four ntfs-3g daemons meanwhile (answering df's statfs): %.2f%% of one core\n",
                100.0 * static_cast<double>(daemonIdleTicks) / ticksPerSecond / idle);
    std::printf("GTK loaded: %s; cairo or pango loaded: %s\n", gtkLoaded ? "yes" : "no", drawingLoaded ? "yes" : "no");
    std::printf("AboutToShow to the new layout (GetLayout answered), 50 rounds: median %.2f ms, max %.2f ms\n",
                rebuilds[rebuilds.size() / 2], rebuilds.back());
    std::printf("exit after SIGTERM: %s %d\n", WIFEXITED(status) ? "status" : "signal",
                WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    return 0;
}
