#include "Helper/NTFSManager/VolumeModel.h"

#include <climits>
#include <filesystem>
#include <functional>

#include "Helper/NTFSManager/MountIntents.h"
#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/ShellText.h"
#include "Helper/NTFSManager/SudoPassword.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"
#include "Shared/Kit/Kit.h"
#include "Shared/SharedData.h"

namespace {
constexpr const char* kRequest = "top.kestrova.macOS.Parvex.Helper.do";
// "Data 1" to "Data 999": past that the desktop holds no room for another.
constexpr int kMostFolderNumbers = 1000;

// A folder of ours: empty, and no volume mounted on it (an empty volume still
// mounted there looks empty too). A folder that cannot be read is not empty.
bool isEmptyUnmountedFolder(const std::string& folder)
{
    return FileManager::fileExists(folder) && !FileManager::isMountPoint(folder) && FileManager::isEmptyFolder(folder);
}

// "30 s", "0.5 s".
std::string seconds(std::chrono::milliseconds limit)
{
    const auto tenths = limit.count() / 100;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s";
}

}  // namespace

VolumeModel::VolumeModel(std::string volumeName, std::string identifier, std::shared_ptr<VolumeEnvironment> environment)
    : name(std::move(volumeName))
    , ID(std::move(identifier))
    , m_environment(std::move(environment))
    , m_path("/dev/" + ID)
    , m_desktopPath(m_environment->homeDirectory + "/Desktop")
{
}

std::string VolumeModel::folderName() const
{
    return UTF8::prefixWithin(name, NAME_MAX);
}

std::string VolumeModel::mountFolder() const
{
    std::lock_guard guard(m_folderLock);
    return m_folder.empty() ? m_desktopPath + "/" + folderName() : m_folder;
}

void VolumeModel::setFolder(std::string folder)
{
    std::lock_guard guard(m_folderLock);
    m_folder = std::move(folder);
}

bool VolumeModel::isManualMode() const
{
    return m_environment->settings.managerStyle();
}

void VolumeModel::postRequest(const std::string& command, const char* function)
{
    auto posted = m_environment->notify.post(kRequest, command + "," + name, DistributedNotificationCenter::deliverToAllSessions);
    if (!posted)
        Console::shared().printLog({posted.error().description, name, ID}, function);
}

bool VolumeModel::hasSafeMountFolder() const
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::optional<std::string> VolumeModel::freeMountFolder() const
{
    for (int number = 0; number < kMostFolderNumbers; ++number) {
        const std::string suffix = number ? " " + std::to_string(number) : "";
        const std::string folder = m_desktopPath + "/" + UTF8::prefixWithin(name, NAME_MAX - suffix.size()) + suffix;
        // A link, even one that leads nowhere, is something there.
        if (!FileManager::linkStamp(folder).exists)
            return folder;
    }
    return std::nullopt;
}

bool VolumeModel::isFolderNameOfOurs(const std::string& candidate) const
{
    if (candidate == folderName())
        return true;
    const size_t space = candidate.rfind(' ');
    if (space == std::string::npos)
        return false;
    const std::string number = candidate.substr(space + 1);
    if (number.empty() || number.size() > 3 || number[0] == '0'
        || number.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return candidate.substr(0, space) == UTF8::prefixWithin(name, NAME_MAX - 1 - number.size());
}

std::optional<std::string> VolumeModel::desktopMount(const char* function) const
{
    auto mounts = m_environment->mounts.mountsOfNode(path());
    if (!mounts) {
        Console::shared().printLog({mounts.error().description, name, ID}, function);
        return std::nullopt;
    }
    for (const auto& mount : *mounts) {
        if (!mount.isReadWrite() || !isOnDesktop(mount.target))
            continue;
        // Found by the device the mount table names, in a folder named as
        // ours are, and not covered by another mount since.
        if (isFolderNameOfOurs(FileManager::lastPathComponent(mount.target))
            && m_environment->mounts.isReadWriteMount(mount.target, path()).valueOr(false))
            return m_desktopPath + "/" + FileManager::lastPathComponent(mount.target);
    }
    return std::nullopt;
}

bool VolumeModel::isOnDesktop(const std::string& mountPoint) const
{
    // The mount table names folders with every link resolved.
    const std::string parent = FileManager::folder(mountPoint);
    if (parent == m_desktopPath)
        return true;
    std::error_code failed;
    const std::string realDesktop = std::filesystem::canonical(m_desktopPath, failed).string();
    return !failed && parent == realDesktop;
}

bool VolumeModel::takeOver(const char* function)
{
    if (!hasSafeMountFolder() || !FileManager::isOwnFolder(m_desktopPath))
        return false;
    auto folder = desktopMount(function);
    if (!folder)
        return false;
    m_status = Status::mounted;
    m_mountedBy = Mode::automatic;
    m_failedPassword.reset();
    setFolder(*folder);
    // Owed back to the system from now on, as a volume this run mounted is.
    recordIntent(*folder, function);
    Console::shared().printLog({"already mounted read-write on the desktop", name, ID, *folder}, function);
    return true;
}

bool VolumeModel::adopt()
{
    std::unique_lock guard(m_operation, std::try_to_lock);
    // An operation under way settles the volume itself.
    if (!guard.owns_lock() || status() != Status::umounted)
        return false;
    return takeOver("run()");
}

bool VolumeModel::isMountedReadWrite(const std::string& folder, const char* function) const
{
    auto mounted = m_environment->mounts.isReadWriteMount(folder, path());
    if (!mounted)
        Console::shared().printLog({mounted.error().description, name, ID}, function);
    return mounted.valueOr(false);
}

void VolumeModel::recordIntent(const std::string& folder, const char* function)
{
    if (!m_environment->intents)
        return;
    // Without the record the step still runs: only a kill in its middle
    // would then go unrepaired.
    auto recorded = m_environment->intents->record({ID, MountTable::deviceNumber(path()), folder});
    if (!recorded)
        Console::shared().printLog({"the step is not recorded: " + recorded.error().description, name, ID}, function);
}

void VolumeModel::finishIntent(const char* function)
{
    if (!m_environment->intents)
        return;
    auto finished = m_environment->intents->finish(ID);
    if (!finished)
        Console::shared().printLog({finished.error().description, name, ID}, function);
}

std::string VolumeModel::giveBackScript(const std::string& identifier, const std::string& folder, bool remount)
{
    std::string script;
    // rmdir takes an empty folder away and leaves anything else alone, and the
    // user, whose folder it is, needs no root for it.
    if (!folder.empty() && isEmptyUnmountedFolder(folder))
        script = "rmdir " + ShellText::quoted(folder);
    if (remount)
        script += (script.empty() ? "" : "\n") + std::string("diskutil mount ") + ShellText::word(identifier);
    return script;
}

void VolumeModel::log(const char* label, const ScriptResult& output, const char* function, CallSite location)
{
    Console::shared().printLog({label, name, ID, Kit::describe(output.result, output.error)}, function, location);
}

void VolumeModel::mount()
{
    std::lock_guard guard(m_operation);
    if (status() != Status::umounted)
        return;
    // One reading of the mode per operation: the settings file may change meanwhile.
    const bool manual = isManualMode();
    if (!manual && !hasSafeMountFolder()) {
        // "", "." or ".." would make the desktop (or the home folder) itself the
        // mount point, and a later clean-up would delete it.
        Console::shared().printLog({"not mounted: the volume name cannot name a folder on the desktop", name, ID},
                                   "mount()");
        return;
    }
    if (!manual && !FileManager::isOwnFolder(m_desktopPath)) {
        // Root mounts on the folder made in it: through a link, or in a folder
        // of someone else's, that would be a folder the user does not own.
        Console::shared().printLog({"not mounted: the desktop folder " + m_desktopPath
                                        + " is a link, is missing or is not the user's own",
                                    name, ID},
                                   "mount()");
        return;
    }
    // Left mounted by an earlier run (killed, or unable to unmount it at
    // quit): ours again, never mounted twice.
    if (!manual && takeOver("mount()"))
        return;
    if (manual) {
        m_status = Status::mounted;
        m_mountedBy = Mode::manual;
        postRequest("add", "mount()");
        return;
    }
    const auto folder = freeMountFolder();
    if (!folder) {
        Console::shared().printLog({"not mounted: every folder name for the volume is taken on the desktop", name, ID},
                                   "mount()");
        return;
    }
    m_status = Status::mounted;
    m_mountedBy = Mode::automatic;
    const std::string password = m_environment->settings.pwd();
    const std::string quoted = ShellText::quoted(*folder);
    recordIntent(*folder, "mount()");
    // The folder is the user's own, made as the user: mount_ntfs, run as root
    // for the user, mounts only on a folder of theirs, and only on the one
    // just made (a folder someone made meanwhile stops the mount).
    std::string script = "diskutil umount " + ShellText::word(ID) + "\n"
        + "mkdir " + quoted + " && " + SudoPassword::pipe() + "sudo -S mount_ntfs -o rw,nobrowse "
        + ShellText::word(path()) + " " + quoted;
    ScriptResult output = m_environment->runScript(script, ScriptKind::mount, &password);
    // sudo and mount_ntfs can fail, or fall back to read-only, whatever
    // their exit status says: only the mount table tells.
    if (!isMountedReadWrite(*folder, "mount()")) {
        automaticMountFailed(output, password, *folder);
        return;
    }
    // The record stays while the volume is on the desktop: a run killed now
    // leaves its folder to be taken back, or removed once the disk is gone.
    setFolder(*folder);
    m_failedPassword.reset();
    log("new mounted", output, "mount()");
    if (m_environment->notifier)
        m_environment->notifier->mountFinished(*this, true, output);
}

void VolumeModel::automaticMountFailed(const ScriptResult& output, const std::string& password, const std::string& folder)
{
    // The script's first line took the system's read-only mount away: put it
    // back, and take away the folder it may have made.
    ScriptResult restored = m_environment->runScript(giveBackScript(ID, folder, true), ScriptKind::giveBack);
    // A give-back that did not end stays recorded: the next start finishes it.
    if (!restored.timedOut)
        finishIntent("mount()");
    m_status = Status::umounted;
    m_mountedBy.reset();
    setFolder({});
    m_failedPassword = std::hash<std::string>{}(password);
    const bool quitting = m_environment->isQuitting();
    std::string why = "mount failed: the volume is not mounted on the desktop";
    if (output.timedOut)
        why = quitting ? "mount stopped: the program quits" : "mount failed: the script did not end within "
                + seconds(m_environment->limits.mount) + " and was ended with all it started";
    Console::shared().printLog({why, name, ID, Kit::describe(output.result, output.error),
                                (restored.timedOut ? "not given back within its time: "
                                                   : "given back to the system: ")
                                    + Kit::describe(restored.result, restored.error)},
                               "mount()");
    if (!m_environment->notifier || quitting)
        return;
    if (output.timedOut)
        m_environment->notifier->mountTimedOut(*this);
    else if (password.empty() || SudoPassword::wasRefused(output.error))
        m_environment->notifier->automaticMountFailed(*this);
    else
        m_environment->notifier->mountFinished(*this, false, output);
}

void VolumeModel::mountAgainIfPasswordChanged()
{
    {
        std::lock_guard guard(m_operation);
        if (!m_failedPassword || status() != Status::umounted
            || std::hash<std::string>{}(m_environment->settings.pwd()) == *m_failedPassword)
            return;
    }
    mount();
}

void VolumeModel::remountFinished()
{
    std::lock_guard guard(m_operation);
    if (status() != Status::mounted || m_mountedBy != Mode::manual)
        return;
    // The agent answers even when it could not write the fstab entry; the
    // system then mounts the volume read-only again.
    if (isMountedReadWrite(systemFolder(), "eventCallBackNotification(notification:)"))
        return;
    m_status = Status::umounted;
    m_mountedBy.reset();
    Console::shared().printLog({"not mounted read-write after the agent's answer", name, ID},
                               "eventCallBackNotification(notification:)");
}

void VolumeModel::umount()
{
    std::lock_guard guard(m_operation);
    if (status() != Status::mounted)
        return;
    if (m_mountedBy == Mode::manual) {
        postRequest("remove", "umount()");
        m_status = Status::umounted;
        m_mountedBy.reset();
        return;
    }
    const std::string folder = mountFolder();
    recordIntent(folder, "umount()");
    ScriptResult unmounted = m_environment->runScript("diskutil umount " + ShellText::word(ID), ScriptKind::giveBack);
    log(unmounted.timedOut ? "umount did not end within its time" : "umounted", unmounted, "umount()");
    // Still mounted (a program has a file open there, say): it stays listed
    // with its eject item, and the user hears why it is still there.
    if (isMountedReadWrite(folder, "umount()")) {
        if (m_environment->notifier)
            m_environment->notifier->ejectFailed(*this, unmounted);
        return;
    }
    // Off the desktop: back to the system, read-only, whether or not its
    // folder can go (one holding anything is never removed).
    ScriptResult output = m_environment->runScript(giveBackScript(ID, folder, true), ScriptKind::giveBack);
    if (!output.timedOut)
        finishIntent("umount()");
    m_status = Status::umounted;
    m_mountedBy.reset();
    setFolder({});
    log(output.timedOut ? "not given back within its time" : "remove", output, "umount()");
}

void VolumeModel::remove()
{
    std::lock_guard guard(m_operation);
    // Only a desktop mount leaves a folder behind.
    if (status() != Status::mounted || m_mountedBy != Mode::automatic)
        return;
    const std::string script = giveBackScript(ID, mountFolder(), false);
    if (script.empty())
        return;
    ScriptResult output = m_environment->runScript(script, ScriptKind::giveBack);
    finishIntent("remove()");
    m_status = Status::umounted;
    m_mountedBy.reset();
    setFolder({});
    log("remove", output, "remove()");
}

void VolumeModel::showInFinder()
{
    std::string folder;
    {
        std::lock_guard guard(m_operation);
        // The automatic mount moved the volume from /Volumes to the desktop.
        if (status() == Status::mounted && m_mountedBy == Mode::automatic)
            folder = ShellText::word(mountFolder());
    }
    if (folder.empty())
        folder = "/Volumes/" + ShellText::word(folderName());
    log("open", m_environment->runScript("open " + folder, ScriptKind::read), "showInFinder()");
}
