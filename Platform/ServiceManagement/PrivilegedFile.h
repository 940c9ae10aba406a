#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "Platform/Foundation/Expected.h"

// Files that root runs or reads must not be changeable by anybody else: the
// file and its folder belong to root (when we are root) and are writable only
// by their owner, and a file is replaced whole, never rewritten in place.
class PrivilegedFile {
public:
    // Creates the folder (with its parents) if needed and takes away the write
    // permission of group and others.
    static Expected<void> prepareFolder(const std::string& folder);
    // Replaces the file atomically with `mode`, less group and other write bits.
    static Expected<void> replace(const std::string& path, std::string_view data, mode_t mode);
};
