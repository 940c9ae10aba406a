#pragma once

#include "Platform/Foundation/Expected.h"

#include <string>

namespace Tools {

// Whether ntfs-3g may write to a volume, as `ntfs-3g.probe --readwrite` says.
enum class NtfsState {
    Writable,
    Hibernated,   // Windows hibernated it, which is what Fast Startup does
    Unclean,      // Windows did not shut it down cleanly
    NotNtfs,
    Unknown,
};

// Mounting NTFS through ntfs-3g. ntfs-3g asked for read-write on a volume it
// may not write silently mounts read-only and exits 0, so a read-write mount
// is always probed first and verified after, and no option that throws away
// Windows' saved state (remove_hiberfile and the like) is ever passed.
class NtfsDriver {
public:
    static NtfsState probeReadWrite(const std::string& node);
    static NtfsState stateForProbeStatus(int exitCode);
    // What happened and what the user can do about it, for standard error.
    static std::string explanation(NtfsState state, const std::string& node);

    // Always nosuid,nodev: what is on the volume never acts as root's.
    static Expected<void> mount(const std::string& node, const std::string& directory, bool readWrite);
};

}
