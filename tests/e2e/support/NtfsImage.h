#pragma once

#include <string>
#include <utility>
#include <vector>

// A disk image made the way a Windows machine leaves a USB disk: an MBR table
// with one partition of type 7 holding an NTFS file system (mkntfs), with
// files written into it through ntfs-3g.
class NtfsImage {
public:
    using Files = std::vector<std::pair<std::string, std::string>>;

    // Makes a 64 MiB image at `path`; false (with `error` saying why) if it could not.
    static bool make(const std::string& path, const std::string& label, const Files& files, std::string* error);

    // The first bytes of the hibernation file of a Windows that hibernated or
    // shut down with Fast Startup: ntfs-3g then refuses to write to the volume.
    static std::string hibernationFile();

    // The loop devices that hold `path` now.
    static std::vector<std::string> loopDevicesOf(const std::string& path);
};
