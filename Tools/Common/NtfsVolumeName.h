#pragma once

#include <optional>
#include <string>

namespace Tools {

// The label of an NTFS volume, read from its $Volume record. libblkid reads
// the record without its fixups, so a label that crosses the record's first
// 512 bytes (past some 60 characters) comes back with two of its bytes
// replaced: a long label would name another folder, or another volume.
class NtfsVolumeName {
public:
    // From an open device; none when it holds no NTFS file system or the
    // record cannot be read.
    static std::optional<std::string> read(int fd);
};

}
