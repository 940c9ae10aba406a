#include "support/DiskSandbox.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Shared/SharedData.h"
#include "Platform/Foundation/MountTable.h"
#include "support/AttachedDisk.h"
#include "support/NtfsImage.h"
#include "support/ShellCommand.h"

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name)
{
    const char* value = ::getenv(name);
    return value ? value : "";
}

// Every mount at or below `folder`, in mount order.
std::vector<MountEntry> mountsBelow(const std::string& folder)
{
    auto mounts = MountTable().entries();
    std::erase_if(mounts, [&](const MountEntry& entry) {
        return entry.target != folder && !entry.target.starts_with(folder + "/");
    });
    return mounts;
}

}  // namespace

std::string DiskSandbox::missingRequirement()
{
    if (environment("PARVEX_SANDBOX") != "inside")
        return "runs only inside scripts/sandbox";
    if (::geteuid() != 0)
        return "needs root (loop devices, mounts, device nodes)";
    if (!fs::exists("/dev/loop-control"))
        return "no loop devices (/dev/loop-control missing)";
    if (!fs::exists("/dev/fuse"))
        return "no FUSE (/dev/fuse missing)";
    for (const char* command : {"sfdisk", "mkntfs", "ntfs-3g", "ntfs-3g.probe", "losetup", "partx", "sudo", "zsh"}) {
        if (runShell("command -v \"$1\" >/dev/null", {command}).status != 0)
            return std::string(command) + " is not installed";
    }
    if (!fs::exists(std::string(toolsDirectory) + "/diskutil"))
        return "the disk tools are not built (target tools)";
    return {};
}

bool DiskSandbox::prepare(std::string* error)
{
    // The drop-in must land in the sandbox's private copy of /etc, never in
    // the machine's: that copy is a bind mount of its own.
    if (!MountTable().mountAt("/etc")) {
        *error = "/etc is not the sandbox's private copy";
        return false;
    }
    const std::string path = environment("PATH");
    if (path.rfind(toolsDirectory, 0) != 0)
        ::setenv("PATH", (std::string(toolsDirectory) + ":" + (path.empty() ? "/usr/bin:/bin" : path)).c_str(), 1);
    ::setenv("HOME", home, 1);
    // `open` must not reach a desktop session of the machine.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    // The machine's runtime folder is every sandbox's: ParvexMenu keeps its
    // record of steps under way in the sandbox's home instead.
    ::unsetenv("XDG_RUNTIME_DIR");
    {
        std::ofstream dropIn(sudoersDropIn);
        dropIn << "Defaults secure_path=\"" << toolsDirectory << ":/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin\"\n";
    }
    fs::permissions(sudoersDropIn, fs::perms::owner_read | fs::perms::group_read);
    if (runShell("sudo -n sh -c 'command -v mount_ntfs'").output != std::string(toolsDirectory) + "/mount_ntfs\n") {
        *error = "sudo does not find our mount_ntfs";
        return false;
    }
    std::error_code ignored;
    // Each test starts with a desktop of root's own, whatever one before left.
    if (fs::is_symlink(desktop))
        fs::remove(desktop, ignored);
    fs::create_directories(desktop, ignored);
    for (const char* folder : {home, desktop}) {
        if (::chown(folder, 0, 0) != 0) {
            *error = std::string("cannot give ") + folder + " to root";
            return false;
        }
    }
    fs::create_directories(std::string(home) + "/Library/Preferences", ignored);
    return true;
}

bool DiskSandbox::writeSettings(bool manualMode, const std::string& password, std::optional<uid_t> owner)
{
    const std::string suite(SharedData::suiteName);
    const std::string path = std::string(home) + "/Library/Preferences/" + suite + ".plist";
    // Written aside and renamed into place: a reader never meets a file it
    // may not read, or half the settings.
    const std::string next = path + ".next";
    std::filesystem::remove(next);
    SharedData settings(std::make_shared<UserDefaults>(suite, next));
    if (!settings.setManagerStyle(manualMode) || !settings.setPwd(password))
        return false;
    if (owner && ::chown(next.c_str(), *owner, static_cast<gid_t>(-1)) != 0)
        return false;
    return ::rename(next.c_str(), path.c_str()) == 0;
}

std::vector<std::string> DiskSandbox::leftovers(const std::vector<const AttachedDisk*>& disks)
{
    std::vector<std::string> out;
    for (const char* folder : {"/Volumes", desktop}) {
        for (const auto& entry : mountsBelow(folder)) {
            if (entry.target != folder)
                out.push_back("mount of " + entry.source + " at " + entry.target);
        }
    }
    for (const AttachedDisk* disk : disks) {
        if (disk->hasNodes())
            out.push_back("device nodes of " + disk->disk());
        for (const auto& loop : NtfsImage::loopDevicesOf(disk->image()))
            out.push_back("loop device " + loop + " on " + disk->image());
    }
    std::error_code error;
    if (fs::exists(intents, error))
        out.push_back("steps under way recorded in " + std::string(intents));
    for (const auto& entry : fs::directory_iterator(desktop, error))
        out.push_back("desktop folder " + entry.path().string());
    for (const auto& entry : fs::directory_iterator("/Volumes", error))
        out.push_back("folder " + entry.path().string());
    return out;
}

void DiskSandbox::cleanUp()
{
    for (const char* folder : {desktop, "/Volumes"}) {
        auto mounts = mountsBelow(folder);
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
            if (it->target != folder)
                runShell("umount -l \"$1\"", {it->target});
        }
    }
    std::error_code error;
    fs::remove(intents, error);
    for (const auto& entry : fs::directory_iterator(desktop, error))
        fs::remove_all(entry.path(), error);
    for (const auto& entry : fs::directory_iterator("/Volumes", error))
        fs::remove(entry.path(), error);
}
