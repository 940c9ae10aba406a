#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/FileLock.h"
#include "Platform/Foundation/FileManager.h"

// One running copy of a program per user: the first start holds a lock in the
// user's runtime folder for as long as it runs. The kernel lets go of it when
// the process ends, however it ends, and before anyone waiting for that end
// hears of it, so a copy started once the last one is gone (a relaunch) always
// gets it.
class InstanceLock {
public:
    enum class Role {
        // This is the one.
        primary,
        // Another copy holds the lock.
        secondary,
        // No runtime folder, or the lock cannot be made: this copy runs
        // without knowing; why() says why.
        alone,
    };

    // `name` names the lock in `folder`, by default the user's runtime folder
    // (none where $XDG_RUNTIME_DIR is not a folder of the user's own: in a
    // shared one, anyone could hold the lock and keep every copy out).
    explicit InstanceLock(std::string name, std::string folder = FileManager::runtimeDirectory());

    Role claim();
    const std::string& why() const { return m_why; }

private:
    std::string m_path;
    std::optional<FileLock> m_lock;
    std::string m_why;
};
