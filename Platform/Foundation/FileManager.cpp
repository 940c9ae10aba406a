#include "Platform/Foundation/FileManager.h"

#include "Platform/Foundation/FileHandle.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr const char* kTemporaryMark = ".partial-";
constexpr int kMostLinks = 40;

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

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const
{
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

bool FileStamp::isSameFile(const FileStamp& other) const
{
    return exists == other.exists && (!exists || (device == other.device && inode == other.inode));
}

Expected<void> FileManager::writeAtomically(const std::string& path, std::string_view data, const WriteOptions& options)
{
    std::string target = path;
    if (options.followLink) {
        auto resolved = linkTarget(path);
        if (!resolved)
            return resolved.error();
        target = *resolved;
    }
    std::string parent = folder(target);
    std::string name = lastPathComponent(target);
    if (options.removeAbandonedTemporaries)
        removeTemporaries(parent, name);
    std::string temporary = parent + "/." + name + kTemporaryMark + "XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return fileError(errno, "saved", path);

    struct stat previous {};
    bool existed = ::lstat(target.c_str(), &previous) == 0 && !S_ISLNK(previous.st_mode);
    if (existed && previous.st_uid != ::geteuid()) {
        struct stat place {};
        bool shared = ::stat(parent.c_str(), &place) == 0 && (place.st_mode & S_ISVTX) && (place.st_mode & S_IWOTH);
        existed = !shared;
    }
    mode_t mode = options.mode ? *options.mode : existed ? (previous.st_mode & 07777) : options.newFileMode;
    std::optional<std::pair<uid_t, gid_t>> owner = options.owner;
    if (!owner && existed && (previous.st_uid != ::geteuid() || previous.st_gid != ::getegid()))
        owner = {previous.st_uid, previous.st_gid};
    struct stat result {};
    bool written = writeAll(fd, data) && ::fchmod(fd, mode) == 0
        && (!owner || ::fchown(fd, owner->first, owner->second) == 0) && ::fsync(fd) == 0 && ::fstat(fd, &result) == 0;
    int code = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        code = errno;
    }
    // Checked as late as can be: a file another program saved in its place
    // meanwhile must not be replaced by content made from the older one.
    if (written && options.replacing && !linkStamp(target).isSameFile(*options.replacing)) {
        written = false;
        code = ESTALE;
    }
    if (written) {
        if (auto moved = moveIntoPlace(temporary, target, options); !moved) {
            written = false;
            code = moved.error().code;
        }
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return fileError(code, "saved", path, code == ESTALE ? "it changed while it was being saved" : "");
    }
    int folderFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    if (options.written)
        *options.written = stampOf(result);
    return {};
}

Expected<void> FileManager::moveIntoPlace(const std::string& temporary, const std::string& target,
                                          const WriteOptions& options)
{
    auto failure = [&](int code) { return fileError(code, "saved", target); };
    if (options.replacing && !options.replacing->exists) {
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return {};
        if (errno != EINVAL)
            return failure(errno == EEXIST ? ESTALE : errno);
    } else if (options.replaced) {
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
            // The old file now has the temporary name. Anything but a regular
            // file (a link, a FIFO someone moved there at the last moment) is
            // swapped back and left alone; if it cannot be, it stays under
            // that name, never removed.
            auto old = FileHandle::forReading(temporary, {.followLink = false});
            if (!old) {
                if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0)
                    return {};
                return failure(ESTALE);
            }
            ::unlink(temporary.c_str());
            *options.replaced = std::move(*old);
            return {};
        }
        int code = errno;
        if (code == ENOENT && options.replacing)
            return failure(ESTALE);
        if (code != EINVAL && code != ENOENT)
            return failure(code);
        // A file system that cannot swap two files: the old one is opened
        // first and renamed over.
        if (code == EINVAL) {
            if (auto old = FileHandle::forReading(target, {.followLink = false}))
                *options.replaced = std::move(*old);
        }
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return failure(errno);
    return {};
}

Expected<std::string> FileManager::linkTarget(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
        ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
        if (length < 0)
            return fileError(errno, "saved", path);
        link.resize(static_cast<size_t>(length));
        current = link.starts_with('/') ? link : folder(current) + "/" + link;
    }
    return fileError(ELOOP, "saved", path);
}

void FileManager::removeTemporaries(const std::string& parent, const std::string& name)
{
    const std::string prefix = "." + name + kTemporaryMark;
    DIR* dir = ::opendir(parent.c_str());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view child = entry->d_name;
        if (child.size() != prefix.size() + 6 || !child.starts_with(prefix))
            continue;
        std::string stale = parent + "/" + std::string(child);
        struct stat info {};
        if (::lstat(stale.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(stale.c_str());
    }
    ::closedir(dir);
}

Expected<void> FileManager::append(const std::string& path, std::string_view data, mode_t newFileMode)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, newFileMode);
    if (fd < 0)
        return fileError(errno, "saved", path);
    bool written = writeAll(fd, data);
    int code = errno;
    ::close(fd);
    if (!written)
        return fileError(code, "saved", path);
    return {};
}

Expected<std::string> FileManager::contents(const std::string& path, std::optional<size_t> limit)
{
    auto file = FileHandle::forReading(path);
    if (!file)
        return file.error();
    return file->readToEnd(limit);
}

bool FileManager::isEmptyFolder(const std::string& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return errno == ENOENT;
    bool empty = true;
    while (dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

bool FileManager::isOwnFolder(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

FileStamp FileManager::stamp(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? stampOf(info) : FileStamp{};
}

FileStamp FileManager::linkStamp(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? stampOf(info) : FileStamp{};
}

FileStamp FileManager::stampOf(const struct stat& info)
{
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
    return fileError(errno, "created", path);
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

std::string FileManager::runtimeDirectory()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/' || !isOwnFolder(runtime))
        return {};
    return runtime;
}

Error FileManager::fileError(int code, std::string_view what, const std::string& path, std::string_view reason)
{
    return {code, "The file \"" + lastPathComponent(path) + "\" couldn't be " + std::string(what) + ": "
                      + (reason.empty() ? std::string(std::strerror(code)) : std::string(reason)) + " (" + path + ")"};
}
