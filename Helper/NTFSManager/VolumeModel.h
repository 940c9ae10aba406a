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
    // The user's desktop folder; the volume mounts at desktopPath + "/" + its folder name.
    const std::string& desktopPath() const { return m_desktopPath; }
    std::string mountFolder() const { return m_desktopPath + "/" + folderName(); }
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

private:
    // Each mount is undone the way it was made, whatever the mode is now.
    enum class Mode { automatic, manual };

    bool isManualMode() const;
    // Logged under `function` when it cannot be sent.
    void postRequest(const std::string& command, const char* function);
    // True when the mount folder is one folder directly inside the desktop.
    bool hasSafeMountFolder() const;
    // Empty, and no volume mounted on it: an empty volume still mounted there
    // looks empty too. A folder that cannot be read is not empty.
    bool mountFolderIsEmpty() const;
    // The script line that takes the emptied mount folder away.
    std::string removeFolderLine() const;
    // Whether the mount table shows the volume read-write at `folder`; a table
    // that cannot be read is logged under `function` and counts as no.
    bool isMountedReadWrite(const std::string& folder, const char* function) const;
    // The automatic mount's script ran and the volume is not mounted: gives
    // it back to the system and says why, in one entry.
    void automaticMountFailed(const ScriptResult& output, const std::string& password);
    // Logged with the operation's own line, not this helper's.
    void log(const char* label, const ScriptResult& output, const char* function,
             CallSite location = CallSite::current());

    std::shared_ptr<VolumeEnvironment> m_environment;
    std::string m_path;
    std::string m_desktopPath;
    std::atomic<Status> m_status{Status::umounted};
    // How the volume was mounted, while it is.
    std::optional<Mode> m_mountedBy;
    // The hash of the password an automatic mount failed with (not the
    // password itself), until a mount succeeds.
    std::optional<std::size_t> m_failedPassword;
    // The menu (main thread) and the scan (background) may act on one volume at
    // once; its operations take turns.
    std::mutex m_operation;
};
