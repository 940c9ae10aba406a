#include "Platform/Foundation/FileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

Error errorFor(int code, const char* what, const std::string& path)
{
    return {code, "The file \"" + FileManager::lastPathComponent(path) + "\" couldn't be " + what + ": "
                      + std::strerror(code) + " (" + path + ")"};
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

void listInto(const std::string& root, const std::string& relative, std::vector<std::string>& out)
{
    std::string folder = relative.empty() ? root : root + "/" + relative;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string child = relative.empty() ? name : relative + "/" + name;
        out.push_back(child);
        struct stat info {};
        if (::lstat((root + "/" + child).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            listInto(root, child, out);
    }
    ::closedir(dir);
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const
{
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

Expected<void> FileManager::writeAtomically(const std::string& path, std::string_view data, const WriteOptions& options)
{
    std::string parent = folder(path);
    std::string temporary = parent + "/." + lastPathComponent(path) + ".XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errorFor(errno, "saved", path);

    struct stat previous {};
    bool existed = ::stat(path.c_str(), &previous) == 0;
    mode_t mode = options.mode ? *options.mode : existed ? (previous.st_mode & 07777) : options.newFileMode;
    std::optional<std::pair<uid_t, gid_t>> owner = options.owner;
    if (!owner && existed && (previous.st_uid != ::geteuid() || previous.st_gid != ::getegid()))
        owner = {previous.st_uid, previous.st_gid};
    bool written = writeAll(fd, data) && ::fchmod(fd, mode) == 0
        && (!owner || ::fchown(fd, owner->first, owner->second) == 0) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        code = errno;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return errorFor(code, "saved", path);
    }
    int folderFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {};
}

Expected<void> FileManager::append(const std::string& path, std::string_view data, mode_t newFileMode)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, newFileMode);
    if (fd < 0)
        return errorFor(errno, "saved", path);
    bool written = writeAll(fd, data);
    int code = errno;
    ::close(fd);
    if (!written)
        return errorFor(code, "saved", path);
    return {};
}

Expected<std::string> FileManager::contents(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errorFor(errno, "opened", path);
    std::string data;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int code = errno;
            ::close(fd);
            return errorFor(code, "read", path);
        }
        if (got == 0)
            break;
        data.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return data;
}

std::vector<std::string> FileManager::subpaths(const std::string& path)
{
    std::vector<std::string> out;
    listInto(path, "", out);
    return out;
}

FileStamp FileManager::stamp(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return FileStamp{};
    return FileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

bool FileManager::fileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool FileManager::isMountPoint(const std::string& path)
{
    struct stat folder {};
    struct stat parent {};
    if (::lstat(path.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return false;
    if (::stat((path + "/..").c_str(), &parent) != 0)
        return false;
    return folder.st_dev != parent.st_dev || folder.st_ino == parent.st_ino;
}

Expected<void> FileManager::createDirectory(const std::string& path, bool intermediates, mode_t mode)
{
    if (intermediates) {
        for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
            ::mkdir(path.substr(0, slash).c_str(), mode);
    }
    if (::mkdir(path.c_str(), mode) == 0 || (errno == EEXIST && intermediates))
        return {};
    return errorFor(errno, "created", path);
}

std::string FileManager::folder(std::string_view path)
{
    std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

std::string FileManager::lastPathComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FileManager::homeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}
