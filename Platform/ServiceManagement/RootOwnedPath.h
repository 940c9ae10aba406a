#pragma once

#include <sys/types.h>

#include <string>

#include "Platform/Foundation/Expected.h"

// Whether only the trusted owner (root) could have put a file where it is:
// every component of the path, from "/" to the file itself, is owned by that
// user, writable by nobody else, and no symbolic link. Each component is
// opened relative to the one before it, without following links, and
// checked on what was opened, so no swap of a name between checks and use
// can slip in another file. The blessing tool runs as root on what it is
// given; a path that passes can be changed by root alone.
class RootOwnedPath {
public:
    static Expected<void> check(const std::string& path, uid_t trustedOwner = 0);
};
