#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/FileManager.h"

// An open regular file, closed when the handle goes. Opening never blocks and
// never yields anything but a regular file: a FIFO or a device at the path is
// refused (EINVAL) instead of being waited on or read without end.
struct FileOpenOptions {
    // When false a symbolic link at the path is refused (ELOOP), never followed.
    bool followLink = true;
    // Refuses (EPERM) a file that belongs to another user: in a folder others
    // may write to, what is there now may have been planted.
    bool ownedByUs = false;
    // A missing file is made (mode 0644), never through a link; one that is
    // there is opened as it is.
    bool create = false;
};

class FileHandle {
public:
    using OpenOptions = FileOpenOptions;

    static Expected<FileHandle> forReading(const std::string& path, OpenOptions options = {});
    // Writes go to the end of the file, whoever else appends to it; it can be
    // read as well. It must exist already, unless `create` is set.
    static Expected<FileHandle> forAppending(const std::string& path, OpenOptions options = {});

    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    ~FileHandle();

    // The whole file from the start; fails (EFBIG) when it is larger than `limit`.
    Expected<std::string> readToEnd(std::optional<size_t> limit = std::nullopt) const;
    // The last `count` bytes at most.
    Expected<std::string> readTail(size_t count) const;
    Expected<void> write(std::string_view data);
    // The open file's identity and version now (fstat), whatever the path names meanwhile.
    FileStamp stamp() const;
    // Waits, at most `patience`, until no program holds this file open for
    // writing (the kernel grants a read lease only then), so that what it
    // holds is final. Fails with ETIMEDOUT when one still does, or with the
    // kernel's answer where that cannot be told (another user's file without
    // the right to lease it, a file system without leases).
    Expected<void> waitForWriters(std::chrono::milliseconds patience) const;
    // The whole file once no program holds it open for writing, read while
    // none can open it so (a write that crosses a page is seen whole or not).
    Expected<std::string> readToEndWithoutWriters(std::chrono::milliseconds patience) const;
    const std::string& path() const { return m_path; }
    // For what needs the open file itself (FileLock); stays this handle's.
    int descriptor() const { return m_fd; }

private:
    // Waits as waitForWriters does and keeps the read lease it took.
    Expected<void> leaseWithoutWriters(std::chrono::milliseconds patience) const;
    FileHandle(int fd, std::string path);
    static Expected<FileHandle> open(const std::string& path, int flags, OpenOptions options);
    Expected<std::string> read(off_t offset, std::optional<size_t> limit, bool failWhenLarger) const;

    int m_fd = -1;
    std::string m_path;
};
