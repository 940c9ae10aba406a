#include "Platform/Foundation/LinkFreePath.h"

#include <fcntl.h>

#include <cerrno>
#include <filesystem>

Expected<FileDescriptor> LinkFreePath::open(const std::string& path, const Check& check)
{
    const std::filesystem::path whole(path);
    if (!whole.is_absolute())
        return Error::message(path + " is not an absolute path");
    const std::filesystem::path relative = whole.relative_path();
    std::filesystem::path shown("/");
    FileDescriptor current(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (auto component = relative.begin();; ++component) {
        if (!current)
            return Error::system(errno, shown.string());
        struct stat info {};
        if (::fstat(current.get(), &info) != 0)
            return Error::system(errno, shown.string());
        if (S_ISLNK(info.st_mode))
            return Error::message(shown.string() + " is a symbolic link");
        if (check) {
            if (auto accepted = check(shown.string(), info); !accepted)
                return accepted.error();
        }
        while (component != relative.end() && (component->empty() || *component == "."))
            ++component;
        if (component == relative.end())
            return current;
        if (*component == "..")
            return Error::message(path + " climbs out of a folder with \"..\"");
        shown /= *component;
        current.reset(::openat(current.get(), component->c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    }
}
