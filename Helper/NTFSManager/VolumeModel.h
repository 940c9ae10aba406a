#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Helper/NTFSManager/VolumeEnvironment.h"
#include "Platform/Foundation/CallSite.h"

// One mounted NTFS volume the scan found, with what Parvex does to it. `status`
// records what Parvex last asked for, checked against the mount table once a
// mount is done: a mount that failed is never recorded as one.
//
// Whatever happens to ParvexMenu, a volume it touched ends writable at a
// desktop folder of its own, under its care, or read-only where the system
// mounts it: taking a volume's mount away is recorded first, and the record
// kept until the volume is given back (MountIntents); every script has a
// time limit; an eject always gives the volume back; and a volume found on
// its desktop folder is taken under care.
class VolumeModel {
public:
    enum class Status : int {
        mounted = 0,
        umounted = 1,
    };

    VolumeModel(std::string name, std::string ID, std::shared_ptr<VolumeEnvironment> environment);

    const std::string name;
    const std::string ID;

    Status status() const { return m_status.load(); }
    // "/dev/" + ID, the volume's device node.
    const std::string& path() const { return m_path; }
    // The user's desktop folder; the volume mounts in a folder inside it.
    const std::string& desktopPath() const { return m_desktopPath; }
    // The desktop folder the volume is mounted on; before a mount, the
    // first one it would take.
    std::string mountFolder() const;
    // Where the system mounts the volume, and manual mode remounts it.
    std::string systemFolder() const { return "/Volumes/" + folderName(); }
    // The name of the volume's folders: the name, or as much of it as a
    // folder's name can hold (the menu still shows it whole).
    std::string folderName() const;

    void mount();
    void umount();
    void remove();
    void showInFinder();

    // The agent answered this volume's "add" and the remount ran: the volume
    // stays `mounted` only if the system now has it read-write.
    void remountFinished();
    // A failed automatic mount is tried again once the stored password is
    // another than the one that failed, never just because time passed.
    void mountAgainIfPasswordChanged();
    // The scan's look at an unmounted volume: one the mount table shows
    // read-write on a desktop folder of its own (left by a run that was
    // killed, or that could not unmount it at quit) is taken under care, so
    // that eject and quit handle it. Never waits for an operation under way.
    bool adopt();
    // A mount point directly in the user's desktop folder: what adopt() may
    // find there, told without a look at the mount table.
    bool isOnDesktop(const std::string& mountPoint) const;

    // The script that gives a volume back to the system: `folder` removed
    // where it is empty and no mount point (a folder ParvexMenu made), and
    // the system's read-only mount made again when `remount` is set.
    static std::string giveBackScript(const std::string& ID, const std::string& folder, bool remount);

private:
    // Each mount is undone the way it was made, whatever the mode is now.
    enum class Mode { automatic, manual };

    bool isManualMode() const;
    // Logged under `function` when it cannot be sent.
    void postRequest(const std::string& command, const char* function);
    // True when a folder named after the volume is one folder directly inside the desktop.
    bool hasSafeMountFolder() const;
    // The first of "<name>", "<name> 1", "<name> 2", ... that nothing on the
    // desktop has taken, as the system names a second mount point: a folder
    // ParvexMenu did not make is never mounted over.
    std::optional<std::string> freeMountFolder() const;
    // Whether a desktop folder of that name is one ParvexMenu gives this volume.
    bool isFolderNameOfOurs(const std::string& folderName) const;
    // The desktop folder the mount table shows the volume read-write on,
    // topmost there, in a folder named as ParvexMenu names its folders.
    std::optional<std::string> desktopMount(const char* function) const;
    // Takes a volume found read-write on its desktop folder as mounted.
    bool takeOver(const char* function);
    // Whether the mount table shows the volume read-write at `folder`; a table
    // that cannot be read is logged under `function` and counts as no.
    bool isMountedReadWrite(const std::string& folder, const char* function) const;
    // The automatic mount's script ran and the volume is not mounted: gives
    // it back to the system and says why, in one entry.
    void automaticMountFailed(const ScriptResult& output, const std::string& password, const std::string& folder);
    // Before the mount is taken away (or a volume found on the desktop is
    // taken under care), and once the volume is given back.
    void recordIntent(const std::string& folder, const char* function);
    void finishIntent(const char* function);
    void setFolder(std::string folder);
    // Logged with the operation's own line, not this helper's.
    void log(const char* label, const ScriptResult& output, const char* function,
             CallSite location = CallSite::current());

    std::shared_ptr<VolumeEnvironment> m_environment;
    std::string m_path;
    std::string m_desktopPath;
    std::atomic<Status> m_status{Status::umounted};
    // How the volume was mounted, while it is.
    std::optional<Mode> m_mountedBy;
    // The desktop folder of an automatic mount, while it lasts; read by the
    // menu while an operation may be changing it.
    std::string m_folder;
    mutable std::mutex m_folderLock;
    // The hash of the password an automatic mount failed with (not the
    // password itself), until a mount succeeds.
    std::optional<std::size_t> m_failedPassword;
    // The menu (main thread) and the scan (background) may act on one volume at
    // once; its operations take turns.
    std::mutex m_operation;
};
