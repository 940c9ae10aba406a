#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

class AttachedDisk;

// The world the volume code expects, inside scripts/sandbox: the disk tools
// first on PATH (also on sudo's secure path), a user's home with a Desktop
// folder, and the shared settings. Everything it writes is inside the
// sandbox's private /etc, /Users and /tmp.
class DiskSandbox {
public:
    static constexpr const char* home = "/Users/tamsel";
    static constexpr const char* desktop = "/Users/tamsel/Desktop";
    static constexpr const char* menuLog = kMenuLog;
    // Where ParvexMenu records the steps under way (no runtime folder is set).
    static constexpr const char* intents = "/Users/tamsel/Library/Caches/top.kestrova.macOS.Parvex.Helper.intents.plist";
    static constexpr const char* toolsDirectory = PARVEX_BINARY_DIR "/Tools/bin";
    static constexpr const char* sudoersDropIn = "/etc/sudoers.d/parvex-test";

    // Why real volumes cannot be mounted here, or the empty text when they can.
    static std::string missingRequirement();

    // Puts the tools first on PATH (for us, our children and sudo), sets HOME
    // and makes the Desktop folder. False (with `error`) if it could not.
    static bool prepare(std::string* error);

    // Writes the shared settings the way the settings app does, replacing
    // the file at once with one that `owner` (when given) owns.
    static bool writeSettings(bool manualMode, const std::string& password, std::optional<uid_t> owner = std::nullopt);

    // What the run left on the machine: mounts under /Volumes or the desktop,
    // the disks' nodes and loop devices, folders on the desktop, a step
    // recorded as under way. Empty when clean.
    static std::vector<std::string> leftovers(const std::vector<const AttachedDisk*>& disks);

    // Takes down every mount under /Volumes and the desktop, empties the
    // desktop and drops any record of steps under way.
    static void cleanUp();
};
