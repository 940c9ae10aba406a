// From `hdiutil attach` returning to the volume being writable on the desktop,
// with the real ParvexMenu in automatic mode, the real disk tools and a real
// NTFS image, inside scripts/sandbox (it starts itself there when run as root).
// Each run is split by ParvexMenu's own log: the wait for the scan that finds
// the volume (started by the mount-table change the attach makes, or else by
// the next 2.5 s tick) and the mount script that follows.
// Then ParvexMenu is killed (SIGKILL) with the volume on the desktop and
// started again, several times: from its start to the volume shown as
// mounted again (its log says it took the volume under care).
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/MountTable.h"
#include "support/AttachedDisk.h"
#include "support/DiskSandbox.h"
#include "support/MenuApp.h"
#include "support/NtfsImage.h"

namespace {

using SystemClock = std::chrono::system_clock;
constexpr int kRuns = 20;
constexpr int kRestarts = 10;
constexpr const char* kTakenUnderCare = "already mounted read-write on the desktop";
constexpr const char* kImage = "/tmp/bench-plug.img";

// The time in a log entry's header ("2026-12-06 19:04:46.317 in ..."), local time.
std::optional<SystemClock::time_point> headerTime(const std::string& log, size_t entryStart)
{
    std::tm parts{};
    int millis = 0;
    if (std::sscanf(log.c_str() + entryStart, "%d-%d-%d %d:%d:%d.%d", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                    &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &millis) != 7)
        return std::nullopt;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    return SystemClock::from_time_t(std::mktime(&parts)) + std::chrono::milliseconds(millis);
}

// The header time of the last entry holding `text` at or after `from`.
std::optional<SystemClock::time_point> lastEntryTime(const std::string& log, const std::string& text, size_t from)
{
    size_t at = log.rfind(text);
    if (at == std::string::npos || at < from)
        return std::nullopt;
    size_t header = log.rfind("\n\n", at);
    return headerTime(log, header == std::string::npos ? 0 : header + 2);
}

bool waitUntil(const std::function<bool()>& done, double seconds, std::chrono::microseconds step)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

size_t count(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++found;
    return found;
}

struct Run {
    double total;
    double wait;
    double script;
    bool byChange;
};

void report(const char* what, std::vector<double> millis)
{
    std::sort(millis.begin(), millis.end());
    double median = (millis[millis.size() / 2] + millis[(millis.size() - 1) / 2]) / 2;
    std::printf("%-44s median %7.1f ms   max %7.1f ms\n", what, median, millis.back());
}

double millisBetween(SystemClock::time_point from, SystemClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main(int, char** argv)
{
    if (std::string(::getenv("PARVEX_SANDBOX") ? ::getenv("PARVEX_SANDBOX") : "") != "inside") {
        if (::geteuid() != 0) {
            std::printf("plug: needs root (loop devices, mounts, a private sandbox); skipped\n");
            return 0;
        }
        ::execl(PARVEX_SOURCE_DIR "/scripts/sandbox", "sandbox", argv[0], static_cast<char*>(nullptr));
        std::perror("plug: scripts/sandbox");
        return 1;
    }
    if (std::string missing = DiskSandbox::missingRequirement(); !missing.empty()) {
        std::printf("plug: %s; skipped\n", missing.c_str());
        return 0;
    }
    std::string error;
    if (!DiskSandbox::prepare(&error) || !DiskSandbox::writeSettings(false, "the login password")
        || !MenuApp::isBuilt() || !NtfsImage::make(kImage, "Data", {{"hello.txt", "from Windows\n"}}, &error)) {
        std::printf("plug: cannot set up: %s\n", error.empty() ? "ParvexMenu is not built" : error.c_str());
        return 1;
    }
    // Its log lines tell the scan and the mount apart; our own output stays figures only.
    const std::string folder = std::string(DiskSandbox::desktop) + "/Data";
    std::filesystem::remove(DiskSandbox::menuLog);
    MenuApp menu;

    // A disk arrives at any moment of the poll: each attach waits a random
    // part of one interval after the previous clean-up cycle.
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> phase(0, 2500);
    std::vector<Run> runs;
    std::vector<double> restarts;
    for (int i = 0; i < kRuns; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        const size_t logStart = MenuApp::log().size();
        auto disk = AttachedDisk::attach(kImage);
        const auto attached = SystemClock::now();
        if (!disk) {
            std::printf("plug: hdiutil attach failed\n");
            break;
        }
        const std::string node = disk->volumeNode();
        bool writable = waitUntil([&] {
            auto mount = MountTable().mountAt(folder);
            return mount && mount->source == node && mount->isReadWrite();
        }, 30, std::chrono::microseconds(500));
        const auto ready = SystemClock::now();
        if (!writable || !waitUntil([&] { return MenuApp::log().find("new mounted", logStart) != std::string::npos; },
                                    10, std::chrono::milliseconds(5))) {
            std::printf("plug: run %d: the volume did not become writable on the desktop\n", i + 1);
            break;
        }
        const std::string log = MenuApp::log();
        auto found = lastEntryTime(log, "[\"Data\",", logStart);
        auto mounted = lastEntryTime(log, "new mounted", logStart);
        // A cycle that a change starts says so before it examines anything.
        const size_t change = log.rfind("the mount table changed", log.rfind("[\"Data\","));
        const bool byChange = change != std::string::npos && change >= logStart;
        runs.push_back({millisBetween(attached, ready), found ? millisBetween(attached, *found) : -1,
                        found && mounted ? millisBetween(*found, *mounted) : -1, byChange});

        // Unplugged while mounted: the next cycle cleans the desktop folder up
        // and forgets the identifiers, so the next attach is a new volume.
        const size_t forgotten = count(MenuApp::log(), "\nremove " + disk->disk() + "\n");
        // The scan the mount started may hold the new mount for a moment
        // (df's statfs), and a disk in use is not detached: tried again.
        for (int attempt = 0; attempt < 50 && !disk->detach(); ++attempt)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!waitUntil([&] {
                return !std::filesystem::exists(folder)
                    && count(MenuApp::log(), "\nremove " + disk->disk() + "\n") > forgotten;
            }, 30, std::chrono::milliseconds(20))) {
            std::printf("plug: run %d: the unplugged volume was not cleaned up\n", i + 1);
            break;
        }
    }
    // Killed with the volume on the desktop, then started again.
    if (auto disk = AttachedDisk::attach(kImage)) {
        const std::string node = disk->volumeNode();
        auto onDesktop = [&] {
            auto mount = MountTable().mountAt(folder);
            return mount && mount->source == node && mount->isReadWrite();
        };
        std::unique_ptr<MenuApp> current;
        if (waitUntil(onDesktop, 30, std::chrono::milliseconds(5))) {
            menu.stop(SIGKILL);
            for (int i = 0; i < kRestarts; ++i) {
                std::filesystem::remove(DiskSandbox::menuLog);
                const auto started = std::chrono::steady_clock::now();
                current = std::make_unique<MenuApp>();
                if (!waitUntil([] { return MenuApp::log().find(kTakenUnderCare) != std::string::npos; }, 30,
                               std::chrono::microseconds(500))) {
                    std::printf("plug: restart %d: the volume was not taken under care\n", i + 1);
                    break;
                }
                restarts.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
                current->stop(SIGKILL);
            }
        }
        current = std::make_unique<MenuApp>();
        waitUntil([] { return MenuApp::log().find(kTakenUnderCare) != std::string::npos; }, 30,
                  std::chrono::milliseconds(5));
        current->quit();
        disk->detach();
    }
    menu.quit();
    DiskSandbox::cleanUp();
    std::filesystem::remove(kImage);
    if (runs.empty())
        return 1;

    std::vector<double> totals, waits, scripts;
    for (const auto& run : runs) {
        totals.push_back(run.total);
        waits.push_back(run.wait);
        scripts.push_back(run.script);
    }
    const auto byChange = std::count_if(runs.begin(), runs.end(), [](const Run& run) { return run.byChange; });
    std::printf("%zu runs, ParvexMenu polling every 2.5 s (log times have 1 ms steps)\n", runs.size());
    std::printf("scans that found the volume, started by its mount-table change: %zd of %zu\n", byChange, runs.size());
    report("attach returned -> writable on the desktop", totals);
    report("  until the scan has examined it", waits);
    report("  the mount script (umount, mkdir, mount)", scripts);
    std::printf("%-44s", "per run (total / wait / mount, ms):");
    for (const auto& run : runs)
        std::printf(" %.0f/%.0f/%.0f", run.total, run.wait, run.script);
    std::printf("\n");
    if (!restarts.empty()) {
        std::printf("%zu restarts after SIGKILL with the volume on the desktop\n", restarts.size());
        report("start -> the volume shown as mounted again", restarts);
    }
    return 0;
}
