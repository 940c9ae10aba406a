#include "Platform/ServiceManagement/PrivilegedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

FileError errorFor(int code, const std::string& what)
{
    return FileError{code, what + ": " + std::strerror(code)};
}

std::string folderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<FileError> PrivilegedFile::prepareFolder(const std::string& folder)
{
    FileManager::createDirectory(folder, true, 0755);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return errorFor(errno, "cannot create " + folder);
    if (!S_ISDIR(info.st_mode))
        return FileError{ENOTDIR, folder + " is not a folder"};
    if (::geteuid() == 0 && (info.st_uid != 0 || info.st_gid != 0) && ::chown(folder.c_str(), 0, 0) != 0)
        return errorFor(errno, "cannot give " + folder + " to root");
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && ::chmod(folder.c_str(), info.st_mode & 07755) != 0)
        return errorFor(errno, "cannot protect " + folder);
    return std::nullopt;
}

std::optional<FileError> PrivilegedFile::replace(const std::string& path, std::string_view data, mode_t mode)
{
    std::string folder = folderOf(path);
    std::string temporary = folder + "/." + FileManager::lastPathComponent(path) + ".XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errorFor(errno, "cannot write in " + folder);

    auto fail = [&](int code, const std::string& what) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return errorFor(code, what);
    };
    for (size_t written = 0; written < data.size();) {
        ssize_t count = ::write(fd, data.data() + written, data.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return fail(count < 0 ? errno : EIO, "cannot write " + path);
        written += static_cast<size_t>(count);
    }
    if (::geteuid() == 0 && ::fchown(fd, 0, 0) != 0)
        return fail(errno, "cannot give " + path + " to root");
    if (::fchmod(fd, mode & 07755) != 0)
        return fail(errno, "cannot set the mode of " + path);
    if (::fsync(fd) != 0)
        return fail(errno, "cannot flush " + path);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return fail(errno, "cannot replace " + path);
    ::close(fd);
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return std::nullopt;
}
