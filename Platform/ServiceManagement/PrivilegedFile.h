#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/FileManager.h"

// Files that root runs or reads must not be changeable by anybody else: the
// file and its folder belong to root (when we are root) and are writable only
// by their owner, and a file is replaced whole, never rewritten in place.
class PrivilegedFile {
public:
    // Creates the folder (with its parents) if needed and takes away the write
    // permission of group and others.
    static std::optional<FileError> prepareFolder(const std::string& folder);
    // Writes a temporary file beside `path` with `mode`, flushes it, renames it
    // into place and flushes the folder. `mode` loses group and other write bits.
    static std::optional<FileError> replace(const std::string& path, std::string_view data, mode_t mode);
};
