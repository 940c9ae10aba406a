#include "Platform/ServiceManagement/RootOwnedPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "Platform/Foundation/FileDescriptor.h"

namespace {

Expected<void> checkOwnership(const struct stat& info, const std::string& shown, uid_t trustedOwner)
{
    if (S_ISLNK(info.st_mode))
        return Error::message(shown + " is a symbolic link");
    if (info.st_uid != trustedOwner)
        return Error::message(shown + " belongs to the user with id " + std::to_string(info.st_uid) + ", not to root");
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return Error::message(shown + " can be changed by users other than root");
    return {};
}

}  // namespace

Expected<void> RootOwnedPath::check(const std::string& path, uid_t trustedOwner)
{
    std::filesystem::path whole(path);
    if (!whole.is_absolute())
        return Error::message(path + " is not an absolute path");
    FileDescriptor current(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (current.get() < 0)
        return Error::system(errno, "/");
    std::filesystem::path shown("/");
    struct stat info {};
    if (::fstat(current.get(), &info) != 0)
        return Error::system(errno, "/");
    if (auto trusted = checkOwnership(info, "/", trustedOwner); !trusted)
        return trusted;
    for (const auto& component : whole.relative_path()) {
        std::string name = component.string();
        if (name.empty() || name == ".")
            continue;
        if (name == "..")
            return Error::message(path + " climbs out of a folder with \"..\"");
        shown /= name;
        int next = ::openat(current.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return Error::system(errno, shown.string());
        current.reset(next);
        if (::fstat(current.get(), &info) != 0)
            return Error::system(errno, shown.string());
        if (auto trusted = checkOwnership(info, shown.string(), trustedOwner); !trusted)
            return trusted;
    }
    return {};
}
