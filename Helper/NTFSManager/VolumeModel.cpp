#include "Helper/NTFSManager/VolumeModel.h"

#include <climits>
#include <functional>

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

bool VolumeModel::mountFolderIsEmpty() const
{
    return !FileManager::isMountPoint(mountFolder()) && FileManager::isEmptyFolder(mountFolder());
}

std::string VolumeModel::removeFolderLine() const
{
    // rmdir takes an empty folder away and leaves anything else alone, and the
    // user, whose folder it is, needs no root for it.
    return "rmdir " + ShellText::quoted(mountFolder());
}

bool VolumeModel::isMountedReadWrite(const std::string& folder, const char* function) const
{
    auto mounted = m_environment->mounts.isReadWriteMount(folder, path());
    if (!mounted)
        Console::shared().printLog({mounted.error().description, name, ID}, function);
    return mounted.valueOr(false);
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
    if (!manual && isMountedReadWrite(mountFolder(), "mount()")) {
        // Left mounted by an earlier run that could not unmount it at quit
        // (a program was using it): ours again, so that it can be ejected.
        m_status = Status::mounted;
        m_mountedBy = Mode::automatic;
        Console::shared().printLog({"already mounted read-write on the desktop", name, ID}, "mount()");
        return;
    }
    if (!manual && m_environment->mounts.isMountPoint(mountFolder()).valueOr(false)) {
        // Another volume of the same name is there: mounting on top would hide
        // it, and its eject would then take this one down.
        Console::shared().printLog({"not mounted: " + mountFolder() + " is already a mount point", name, ID}, "mount()");
        return;
    }
    m_status = Status::mounted;
    if (manual) {
        m_mountedBy = Mode::manual;
        postRequest("add", "mount()");
        return;
    }
    m_mountedBy = Mode::automatic;
    const std::string password = m_environment->settings.pwd();
    const std::string folder = ShellText::quoted(mountFolder());
    // The folder is the user's own, made as the user: mount_ntfs, run as root
    // for the user, mounts only on a folder of theirs.
    std::string script = "diskutil umount " + ShellText::word(ID) + "\n"
        + "mkdir " + folder + "\n"
        + SudoPassword::pipe() + "sudo -S mount_ntfs -o rw,nobrowse " + ShellText::word(path()) + " " + folder;
    ScriptResult output = m_environment->runScript(script, &password);
    // sudo and mount_ntfs can fail, or fall back to read-only, whatever
    // their exit status says: only the mount table tells.
    if (!isMountedReadWrite(mountFolder(), "mount()")) {
        automaticMountFailed(output, password);
        return;
    }
    m_failedPassword.reset();
    log("new mounted", output, "mount()");
    if (m_environment->notifier)
        m_environment->notifier->mountFinished(*this, true, output);
}

void VolumeModel::automaticMountFailed(const ScriptResult& output, const std::string& password)
{
    // The script's first line took the system's read-only mount away: put it
    // back, and take away the folder it may have made.
    std::string script = "diskutil mount " + ShellText::word(ID);
    if (FileManager::fileExists(mountFolder()) && mountFolderIsEmpty())
        script = removeFolderLine() + "\n" + script;
    ScriptResult restored = m_environment->runScript(script);
    m_status = Status::umounted;
    m_mountedBy.reset();
    m_failedPassword = std::hash<std::string>{}(password);
    Console::shared().printLog({"mount failed: the volume is not mounted on the desktop", name, ID,
                                Kit::describe(output.result, output.error),
                                "given back to the system: " + Kit::describe(restored.result, restored.error)},
                               "mount()");
    if (!m_environment->notifier)
        return;
    if (password.empty() || SudoPassword::wasRefused(output.error))
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
    ScriptResult unmounted = m_environment->runScript("diskutil umount " + ShellText::word(ID));
    log("umounted", unmounted, "umount()");
    // Still mounted (a program has a file open there, say): it stays listed
    // with its eject item, and the user hears why it is still there.
    if (hasSafeMountFolder() && isMountedReadWrite(mountFolder(), "umount()")) {
        if (m_environment->notifier)
            m_environment->notifier->ejectFailed(*this, unmounted);
        return;
    }
    // A folder that still shows entries still holds the volume (the unmount
    // failed) or the user's files: never delete it.
    if (!hasSafeMountFolder() || !mountFolderIsEmpty())
        return;
    ScriptResult output = m_environment->runScript(removeFolderLine() + "\n" + "diskutil mount " + ShellText::word(ID));
    m_status = Status::umounted;
    m_mountedBy.reset();
    log("remove", output, "umount()");
}

void VolumeModel::remove()
{
    std::lock_guard guard(m_operation);
    // Only a desktop mount leaves a folder behind.
    if (status() != Status::mounted || m_mountedBy != Mode::automatic)
        return;
    if (!hasSafeMountFolder() || !mountFolderIsEmpty())
        return;
    ScriptResult output = m_environment->runScript(removeFolderLine());
    m_status = Status::umounted;
    m_mountedBy.reset();
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
    log("open", m_environment->runScript("open " + folder), "showInFinder()");
}
