#pragma once

#include <optional>
#include <string>
#include <vector>

// One line of this namespace's mount table.
struct MountEntry {
    std::string source;
    std::string target;
    // The per-mount options ("rw,relatime", "ro,nosuid", ...).
    std::string options;

    bool isReadWrite() const { return options == "rw" || options.rfind("rw,", 0) == 0; }
};

// The mount table as the kernel shows it now (/proc/self/mountinfo), with the
// octal escapes of blanks in paths undone.
class MountInfo {
public:
    static std::vector<MountEntry> entries();
    // The topmost mount exactly at `target`.
    static std::optional<MountEntry> at(const std::string& target);
    // Every mount at or below `folder`.
    static std::vector<MountEntry> below(const std::string& folder);
};
