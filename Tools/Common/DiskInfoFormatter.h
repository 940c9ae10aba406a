#pragma once

#include "Tools/Common/DiskDescription.h"

#include <string>

namespace Tools {

// `diskutil info` in the original's layout: three blanks, the label with its
// colon in a 27-wide column, the value ("   Volume Name:" is therefore
// followed by exactly 15 blanks).
class DiskInfoFormatter {
public:
    static std::string formatDisk(const DiskDescription& disk);
    static std::string formatVolume(const VolumeDescription& volume, const DiskDescription& disk);
    static std::string line(const std::string& label, const std::string& value);

    static constexpr const char* notApplicable = "Not applicable (no file system)";

private:
    static std::string volumeLines(const VolumeDescription& volume);
    static std::string mediaLines(const VolumeDescription& volume, bool whole);
};

}
