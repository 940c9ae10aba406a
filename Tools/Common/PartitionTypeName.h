#pragma once

#include "Tools/Common/BlockProbe.h"

#include <string>

namespace Tools {

// The names the original tools give partition schemes, partition types and
// file systems.
class PartitionTypeName {
public:
    // "dos" -> "FDisk_partition_scheme", "gpt" -> "GUID_partition_scheme".
    static std::string scheme(const std::string& tableType);
    // The TYPE column of a partition (or of a whole disk's own file system).
    static std::string content(const ProbeResult& probe);
    // "File System Personality": "NTFS" for ntfs; empty when there is no file system.
    static std::string personality(const ProbeResult& probe);
    // "Type (Bundle)": "ntfs", "msdos", ...
    static std::string bundle(const std::string& fsType);
    // "Name (User Visible)".
    static std::string userVisibleName(const ProbeResult& probe);

private:
    static std::string forFileSystem(const std::string& fsType);
};

}
