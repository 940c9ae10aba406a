#pragma once

#include <sys/types.h>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Foundation/Expected.h"

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

// The mode and owner a replaced file gets. By default it keeps the old file's
// mode and owner, and a file that did not exist gets `newFileMode`.
struct WriteOptions {
    mode_t newFileMode = 0644;
    // Set whatever the old file had.
    std::optional<mode_t> mode;
    std::optional<std::pair<uid_t, gid_t>> owner;
};

class FileManager {
public:
    // Replaces the file whole: a unique temporary file in the same folder is
    // written, flushed, given its mode and owner, renamed into place, and the
    // folder is flushed. Readers see the old or the new content, never a part.
    static Expected<void> writeAtomically(const std::string& path, std::string_view data, const WriteOptions& options = {});

    // Appends to the file as it is (creating it with `newFileMode`).
    static Expected<void> append(const std::string& path, std::string_view data, mode_t newFileMode = 0644);

    // The whole file's bytes.
    static Expected<std::string> contents(const std::string& path);

    // Every path below `path`, relative to it, depth first; empty when `path`
    // is missing or is not a folder.
    static std::vector<std::string> subpaths(const std::string& path);

    static FileStamp stamp(const std::string& path);
    static bool fileExists(const std::string& path);
    // True when a file system is mounted on the folder at `path`.
    static bool isMountPoint(const std::string& path);
    // An existing folder is no failure when `intermediates` is set.
    static Expected<void> createDirectory(const std::string& path, bool intermediates, mode_t mode = 0755);

    // The folder that holds `path`: "/" for "/x", "." for a bare name.
    static std::string folder(std::string_view path);
    static std::string lastPathComponent(std::string_view path);
    static std::string homeDirectory();
};
