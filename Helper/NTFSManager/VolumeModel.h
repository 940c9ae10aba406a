#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "Helper/NTFSManager/VolumeEnvironment.h"
#include "Platform/Foundation/CallSite.h"

// One mounted NTFS volume the scan found, with what Parvex does to it. `status`
// records what Parvex last asked for, not what the system did.
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
    // The user's desktop folder; the volume mounts at desktopPath + "/" + name.
    const std::string& desktopPath() const { return m_desktopPath; }
    std::string mountFolder() const { return m_desktopPath + "/" + name; }

    void mount();
    void umount();
    void remove();
    void showInFinder();

private:
    bool isManualMode() const;
    // Logged under `function` when it cannot be sent.
    void postRequest(const std::string& command, const char* function);
    // True when the mount folder is one folder directly inside the desktop.
    bool hasSafeMountFolder() const;
    // Empty, and no volume mounted on it: an empty volume still mounted there
    // looks empty too.
    bool mountFolderIsEmpty() const;
    // Logged with the operation's own line, not this helper's.
    void log(const char* label, const ScriptResult& output, const char* function,
             CallSite location = CallSite::current());

    std::shared_ptr<VolumeEnvironment> m_environment;
    std::string m_path;
    std::string m_desktopPath;
    std::atomic<Status> m_status{Status::umounted};
    // The menu (main thread) and the scan (background) may act on one volume at
    // once; its operations take turns.
    std::mutex m_operation;
};
