#include "Helper/NTFSManager/VolumeModel.h"

#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/ShellText.h"
#include "Helper/NTFSManager/SudoPassword.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/FileManager.h"
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
    return !FileManager::isMountPoint(mountFolder()) && FileManager::subpaths(mountFolder()).empty();
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
    m_status = Status::mounted;
    if (manual) {
        postRequest("add", "mount()");
        return;
    }
    const std::string password = m_environment->settings.pwd();
    const std::string folder = ShellText::quoted(mountFolder());
    std::string script = "diskutil umount " + ShellText::word(ID) + "\n"
        + SudoPassword::pipe() + "sudo -S mkdir " + folder + "\n"
        + SudoPassword::pipe() + "sudo -S mount_ntfs -o rw,nobrowse " + ShellText::word(path()) + " " + folder;
    ScriptResult output = m_environment->runScript(script, &password);
    log("new mounted", output, "mount()");
    if (m_environment->notifier)
        m_environment->notifier->mountFinished(*this, FileManager::isMountPoint(mountFolder()), output);
}

void VolumeModel::umount()
{
    std::lock_guard guard(m_operation);
    if (status() != Status::mounted)
        return;
    if (isManualMode()) {
        postRequest("remove", "umount()");
        m_status = Status::umounted;
        return;
    }
    log("umounted", m_environment->runScript("diskutil umount " + ShellText::word(ID)), "umount()");
    // A folder that still shows entries still holds the volume (the unmount
    // failed) or the user's files: never delete it.
    if (!hasSafeMountFolder() || !mountFolderIsEmpty())
        return;
    const std::string password = m_environment->settings.pwd();
    std::string script = SudoPassword::pipe() + "sudo -S rm -rf " + ShellText::quoted(mountFolder()) + "\n"
        + "diskutil mount " + ShellText::word(ID);
    ScriptResult output = m_environment->runScript(script, &password);
    m_status = Status::umounted;
    log("remove", output, "umount()");
}

void VolumeModel::remove()
{
    std::lock_guard guard(m_operation);
    if (status() != Status::mounted)
        return;
    if (!hasSafeMountFolder() || !mountFolderIsEmpty())
        return;
    const std::string password = m_environment->settings.pwd();
    ScriptResult output = m_environment->runScript(
        SudoPassword::pipe() + "sudo -S rm -rf " + ShellText::quoted(mountFolder()), &password);
    m_status = Status::umounted;
    log("remove", output, "remove()");
}

void VolumeModel::showInFinder()
{
    log("open", m_environment->runScript("open /Volumes/" + ShellText::word(name)), "showInFinder()");
}
