#pragma once

#include <sys/types.h>

#include <string>

#include "Platform/Foundation/Expected.h"

// Whether only root could have put a file where it is: every component of
// the path, from "/" to the file itself, is owned by root, writable by nobody else, and no symbolic link, checked on what was
// opened (LinkFreePath). The blessing tool runs as root on what it is given;
// a path that passes can be changed by root alone.
class RootOwnedPath {
public:
    static Expected<void> check(const std::string& path);
};
