#include "Platform/ServiceManagement/RootOwnedPath.h"

#include "Platform/Foundation/LinkFreePath.h"

Expected<void> RootOwnedPath::check(const std::string& path)
{
    auto opened = LinkFreePath::open(path, [](const std::string& shown, const struct stat& info) -> Expected<void> {
        if (info.st_uid != 0)
            return Error::message(shown + " belongs to the user with id " + std::to_string(info.st_uid) + ", not to root");
        if (info.st_mode & (S_IWGRP | S_IWOTH))
            return Error::message(shown + " can be changed by users other than root");
        return {};
    });
    if (!opened)
        return opened.error();
    return {};
}
