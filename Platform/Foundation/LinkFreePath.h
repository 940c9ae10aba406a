#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/FileDescriptor.h"

// Opens an absolute path one component at a time, each relative to the one
// before and never through a symbolic link, so what is opened is what was
// checked: a name swapped for a link on the way fails the walk instead of
// leading it elsewhere. Root uses it where others own folders on the way.
class LinkFreePath {
public:
    // Sees each component as opened, "/" first, with the path up to it; an
    // error stops the walk.
    using Check = std::function<Expected<void>(const std::string& shown, const struct stat& info)>;

    // An O_PATH descriptor of the last component.
    static Expected<FileDescriptor> open(const std::string& path, const Check& check = nullptr);
};
