// What one steady scan costs, and where the time goes.
//
// 1. The volume code's own share: a steady cycle with four listed NTFS volumes
//    on the tool doubles, how many scripts and processes it starts, and the
//    manager's CPU time beside that of the children it waits for.
// 2. The real tools, as root inside scripts/sandbox, with four real NTFS
//    images attached: each tool's time per call (wall and CPU, children
//    included), each of the scan's two scripts whole, and inside diskutil and
//    df the parts a call is made of.
//   bench_scan [CALLS]      (default 40 calls per command)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Helper/NTFSManager/NTFSManager.h"
#include "Tools/Common/DiskCatalog.h"
#include "Tools/Common/ProbeCache.h"
#include "support/AttachedDisk.h"
#include "support/DiskSandbox.h"
#include "support/NtfsImage.h"
#include "support/ToolDoubles.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double cpu(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return (values[values.size() / 2] + values[(values.size() - 1) / 2]) / 2;
}

void doublesCycle(int cycles)
{
    ToolDoubles doubles;
    std::vector<std::string> rows;
    std::string df = "Filesystem Size Used Avail Capacity Mounted on\n";
    for (int i = 1; i <= 4; ++i) {
        std::string id = "disk4s" + std::to_string(i);
        rows.push_back("   " + std::to_string(i) + ":               Windows_NTFS Volume" + std::to_string(i)
                       + "                 1.0 GB     " + id);
        doubles.setInfo(id, ToolDoubles::info("Volume" + std::to_string(i), "Yes", "NTFS"));
        df += "/dev/" + id + " 1.0G 1M 1.0G 1% /Users/x/Desktop/Volume" + std::to_string(i) + "\n";
    }
    doubles.setList(ToolDoubles::listing(rows));
    doubles.setDf(df);
    doubles.settings().setManagerStyle(true);  // keep the volumes listed without mounting them
    NTFSManager manager(doubles.environment());
    manager.run();  // the first cycle examines every identifier
    doubles.forget();

    double selfBefore = cpu(RUSAGE_SELF);
    double childrenBefore = cpu(RUSAGE_CHILDREN);
    for (int i = 0; i < cycles; ++i)
        manager.run();
    double self = (cpu(RUSAGE_SELF) - selfBefore) / cycles;
    double children = (cpu(RUSAGE_CHILDREN) - childrenBefore) / cycles;
    size_t scripts = doubles.scripts().size();
    size_t tools = doubles.calls().size();
    std::printf("== the volume code's share: a steady cycle, %zu volumes listed, tool doubles, %d cycles\n",
                manager.previousInsertedNTFSVolumes().size(), cycles);
    std::printf("scripts per cycle: %.1f (each one /bin/zsh); processes per cycle: %.1f\n",
                static_cast<double>(scripts) / cycles, static_cast<double>(scripts + tools + cycles) / cycles);
    std::printf("manager's own CPU per cycle: %.2f ms; its children's: %.2f ms (the doubles are bash scripts)\n\n",
                self * 1e3, children * 1e3);
}

struct Timing {
    double wall = 0;  // ms
    double cpu = 0;   // ms, the child and everything it waited for
};

// Runs `argv` once, its output to /dev/null and its input from `input`.
Timing timeOnce(const std::vector<std::string>& argv, const std::string& input)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& argument : argv)
        args.push_back(const_cast<char*>(argument.c_str()));
    args.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = -1;
    Timing timing;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        rusage usage {};
        int status = 0;
        ::wait4(pid, &status, 0, &usage);
        timing.wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        timing.cpu = (seconds(usage.ru_utime) + seconds(usage.ru_stime)) * 1e3;
    }
    posix_spawn_file_actions_destroy(&actions);
    return timing;
}

void timeCommand(const char* what, const std::vector<std::string>& argv, int calls, const std::string& input = "/dev/null")
{
    timeOnce(argv, input);
    std::vector<double> walls, cpus;
    for (int i = 0; i < calls; ++i) {
        Timing timing = timeOnce(argv, input);
        walls.push_back(timing.wall);
        cpus.push_back(timing.cpu);
    }
    std::printf("  %-46s wall %6.2f ms   CPU %6.2f ms\n", what, median(walls), median(cpus));
}

// The median time of one call of `work`, in ms.
double timeWork(const std::function<void()>& work, int calls)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < calls; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return median(times);
}

void insideDiskutil(int calls, const std::string& volume)
{
    auto sysfs = std::make_shared<Tools::SysfsBlock>();
    auto registry = std::make_shared<Tools::DiskRegistry>("/dev", sysfs);
    auto mounts = std::make_shared<MountTable>();
    Tools::DiskCatalog catalog = Tools::DiskCatalog::standard(Tools::ToolPaths {});
    Tools::ProbeCache cache(Tools::ToolPaths {}.probeCacheDir, "/dev");
    const auto nodes = registry->nodes();
    std::printf("  inside one call (in this process, %zu identifier nodes):\n", nodes.size());
    std::printf("    %-44s %6.3f ms\n", "the identifier nodes (/dev, sysfs)", timeWork([&] { (void)registry->nodes(); }, calls));
    std::printf("    %-44s %6.3f ms\n", "sysfs, every node", timeWork([&] {
        for (const auto& node : nodes)
            (void)sysfs->describe(node.number);
    }, calls));
    std::printf("    %-44s %6.3f ms\n", "libblkid probe of the device, every node", timeWork([&] {
        for (const auto& node : nodes)
            (void)Tools::BlockProbe::probe(node.identifier.nodePath("/dev"));
    }, calls));
    std::printf("    %-44s %6.3f ms\n", "the probe cache, every node (sysfs included)", timeWork([&] {
        for (const auto& node : nodes) {
            if (auto device = sysfs->describe(node.number))
                (void)cache.probe(node.identifier.nodePath("/dev"), *device);
        }
    }, calls));
    std::printf("    %-44s %6.3f ms\n", "the mount table, read once", timeWork([&] { (void)mounts->entries(); }, calls));
    std::printf("    %-44s %6.3f ms\n", "what list gathers (every disk)", timeWork([&] { (void)catalog.disks(); }, calls));
    std::printf("    %-44s %6.3f ms\n", ("what info " + volume + " gathers").c_str(), timeWork([&] {
        auto found = catalog.findVolume(volume);
        if (found)
            (void)catalog.disk(found->identifier);
    }, calls));
}

void insideDf(int calls)
{
    auto entries = MountTable().entries();
    std::vector<std::string> fuse, other;
    for (const auto& entry : entries)
        (entry.fsType.starts_with("fuse") ? fuse : other).push_back(entry.target);
    auto statAll = [](const std::vector<std::string>& targets) {
        for (const auto& target : targets) {
            struct statvfs info {};
            (void)::statvfs(target.c_str(), &info);
        }
    };
    std::printf("  inside df -h (in this process, %zu mounts):\n", entries.size());
    std::printf("    %-44s %6.3f ms\n", "the mount table, read once", timeWork([] { (void)MountTable().entries(); }, calls));
    std::printf("    %-44s %6.3f ms\n", ("statfs of the " + std::to_string(fuse.size()) + " FUSE mounts (ntfs-3g)").c_str(),
                timeWork([&] { statAll(fuse); }, calls));
    std::printf("    %-44s %6.3f ms\n", ("statfs of the " + std::to_string(other.size()) + " other mounts").c_str(),
                timeWork([&] { statAll(other); }, calls));
}

int realTools(int calls)
{
    if (std::string missing = DiskSandbox::missingRequirement(); !missing.empty()) {
        std::printf("== the real tools: %s; skipped\n", missing.c_str());
        return 0;
    }
    std::string error;
    if (!DiskSandbox::prepare(&error)) {
        std::printf("scan: cannot set up: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::unique_ptr<AttachedDisk>> disks;
    const char* labels[] = {"Data", "Photos", "Work", "Backup"};
    for (const char* label : labels) {
        const std::string image = std::string("/tmp/bench-scan-") + label + ".img";
        if (!NtfsImage::make(image, label, {{"hello.txt", "from Windows\n"}}, &error)) {
            std::printf("scan: %s\n", error.c_str());
            return 1;
        }
        auto disk = AttachedDisk::attach(image);
        if (!disk) {
            std::printf("scan: hdiutil attach %s failed\n", image.c_str());
            return 1;
        }
        disks.push_back(std::move(disk));
    }
    const std::string volume = disks.front()->volume();
    const std::string listing = "/tmp/bench-scan-listing";
    std::system(("diskutil list > " + listing).c_str());

    std::printf("== the real tools, 4 NTFS volumes attached and mounted read-only, %d calls each (medians)\n", calls);
    std::printf("  one tool per call:\n");
    timeCommand("a process alone (/bin/true)", {"/bin/true"}, calls);
    timeCommand("a shell alone (/bin/zsh -c :)", {"/bin/zsh", "-c", ":"}, calls);
    timeCommand("diskutil list", {"diskutil", "list"}, calls);
    timeCommand("grep -v APFS (on the listing)", {"grep", "-v", "APFS"}, calls, listing);
    timeCommand(("diskutil info " + volume).c_str(), {"diskutil", "info", volume}, calls);
    timeCommand("df -h", {"df", "-h"}, calls);
    timeCommand("df --version (its start alone)", {"df", "--version"}, calls);
    std::printf("  the scan's scripts, as ParvexMenu runs them:\n");
    timeCommand("zsh -c \"diskutil list | grep -v 'APFS'\"", {"/bin/zsh", "-c", "diskutil list | grep -v 'APFS'"}, calls);
    timeCommand("zsh -c \"df -h\"", {"/bin/zsh", "-c", "df -h"}, calls);
    insideDiskutil(calls, volume);
    insideDf(calls);

    disks.clear();
    DiskSandbox::cleanUp();
    for (const char* label : labels)
        std::filesystem::remove(std::string("/tmp/bench-scan-") + label + ".img");
    std::filesystem::remove(listing);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::atoi(argv[1]) : 40;
    const bool inside = std::getenv("PARVEX_SANDBOX") && std::string(std::getenv("PARVEX_SANDBOX")) == "inside";
    if (!inside && ::geteuid() == 0) {
        // The real tools need the sandbox's private /etc, /Volumes and /Users.
        ::execl(PARVEX_SOURCE_DIR "/scripts/sandbox", "sandbox", argv[0], argc > 1 ? argv[1] : nullptr,
                static_cast<char*>(nullptr));
        std::perror("scan: scripts/sandbox");
        return 1;
    }
    doublesCycle(calls);
    if (!inside) {
        std::printf("== the real tools: need root (loop devices, mounts, a private sandbox); skipped\n");
        return 0;
    }
    return realTools(calls);
}
