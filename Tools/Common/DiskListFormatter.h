#pragma once

#include "Tools/Common/DiskDescription.h"

#include <string>

namespace Tools {

// One block of `diskutil list` in the original's columns:
//   /dev/disk4 (disk image):
//      #:                       TYPE NAME                    SIZE       IDENTIFIER
//      0:     FDisk_partition_scheme                        *64.0 MB    disk4
//      1:               Windows_NTFS Data                    63.0 MB    disk4s1
// followed by an empty line.
class DiskListFormatter {
public:
    static std::string format(const DiskDescription& disk);
    static std::string row(const std::string& index, const std::string& type, const std::string& name, char marker, const std::string& size, const std::string& identifier);

private:
    static std::string pad(const std::string& text, size_t width, bool right);
};

}
