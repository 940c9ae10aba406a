#pragma once

#include <sys/types.h>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What identifies one version of a file on disk: replacing it changes the inode,
// writing to it changes the size or modification time.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileStamp& other) const;
};

// A failed file operation: the errno value and a sentence for a log line.
struct FileError {
    int code = 0;
    std::string description;
};

class FileManager {
public:
    // Replaces the file whole: a unique temporary file in the same folder is
    // written, flushed, given the old file's mode and owner (a new file gets
    // `newFileMode`), renamed into place, and the folder is flushed. Readers see
    // the old or the new content, never a part.
    static std::optional<FileError> writeAtomically(const std::string& path, std::string_view data,
                                                    mode_t newFileMode = 0644);

    // Appends to the file as it is (creating it with `newFileMode`).
    static std::optional<FileError> append(const std::string& path, std::string_view data, mode_t newFileMode = 0644);

    // The whole file's bytes, or the error that kept it from being read.
    static std::optional<std::string> contents(const std::string& path, FileError* error = nullptr);

    // Every path below `path`, relative to it, depth first; empty when `path`
    // is missing or is not a folder.
    static std::vector<std::string> subpaths(const std::string& path);

    static FileStamp stamp(const std::string& path);
    static bool fileExists(const std::string& path);
    // True when a file system is mounted on the folder at `path`.
    static bool isMountPoint(const std::string& path);
    static bool createDirectory(const std::string& path, bool intermediates, mode_t mode = 0755);

    static std::string lastPathComponent(std::string_view path);
    static std::string homeDirectory();
};
