#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Foundation/Expected.h"

class FileHandle;

// What identifies one version of a file on disk: replacing it changes the inode,
// writing to it changes the size or modification time.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileStamp& other) const;
    // The same file, whatever was written to it since.
    bool isSameFile(const FileStamp& other) const;
};

// How a file is replaced. By default it keeps the old file's mode and owner,
// and a file that did not exist gets `newFileMode`. A file another user left in
// a sticky folder that everyone may write to (/tmp) passes on neither: it may
// have been planted there to be taken over.
struct WriteOptions {
    mode_t newFileMode = 0644;
    // Set whatever the old file had.
    std::optional<mode_t> mode;
    std::optional<std::pair<uid_t, gid_t>> owner;
    // A symbolic link at the path is followed: its target is replaced in the
    // target's own folder and the link stays. Otherwise the link itself is replaced.
    bool followLink = false;
    // Replaces only this file (as read): when the path names another one by
    // then (another program saved its own in its place) fails with ESTALE and
    // changes nothing; a stamp that does not exist asks for no file at all.
    // What was written into the file itself meanwhile is for the caller to
    // find in `replaced`.
    std::optional<FileStamp> replacing;
    // Where to hand back the file taken out of place, open for reading. It is
    // swapped out in one step, so a file that another program moves into place
    // at the last moment comes back here rather than being lost; and a program
    // that opened the old file before may still write to it (waitForWriters).
    std::optional<FileHandle>* replaced = nullptr;
    // The caller holds the file's lock (FileLock), so temporary files left
    // beside it by a writer that died before its rename are stale: removed.
    bool removeAbandonedTemporaries = false;
    // Where to put the new file's stamp, as the file stands once in place.
    FileStamp* written = nullptr;
};

class FileManager {
public:
    // Replaces the file whole: a unique temporary file in the same folder is
    // written, flushed, given its mode and owner, renamed into place, and the
    // folder is flushed. Readers see the old or the new content, never a part.
    static Expected<void> writeAtomically(const std::string& path, std::string_view data, const WriteOptions& options = {});

    // Appends to the file as it is (creating it with `newFileMode`).
    static Expected<void> append(const std::string& path, std::string_view data, mode_t newFileMode = 0644);

    // The whole file's bytes. Only a regular file is read, and never waited on
    // (a FIFO or a device fails with EINVAL); a file over `limit` bytes fails with EFBIG.
    static Expected<std::string> contents(const std::string& path, std::optional<size_t> limit = std::nullopt);

    // True when nothing is at `path`, or a folder with no entry. A folder that
    // cannot be read, or anything else at the path, may hold anything: false.
    static bool isEmptyFolder(const std::string& path);
    // A folder (not a symbolic link to one) that belongs to this process's user.
    static bool isOwnFolder(const std::string& path);

    // Follows a symbolic link; `linkStamp` describes the link itself.
    static FileStamp stamp(const std::string& path);
    static FileStamp linkStamp(const std::string& path);
    static FileStamp stampOf(const struct stat& info);
    static bool fileExists(const std::string& path);
    // True when a file system is mounted on the folder at `path`.
    static bool isMountPoint(const std::string& path);
    // An existing folder is no failure when `intermediates` is set.
    static Expected<void> createDirectory(const std::string& path, bool intermediates, mode_t mode = 0755);

    // The folder that holds `path`: "/" for "/x", "." for a bare name.
    static std::string folder(std::string_view path);
    static std::string lastPathComponent(std::string_view path);
    static std::string homeDirectory();
    // The user's runtime folder ($XDG_RUNTIME_DIR, emptied when the user's
    // last session ends) where it is a folder of this user's own and no link;
    // otherwise empty.
    static std::string runtimeDirectory();

    // "The file "<name>" couldn't be <what>: <reason> (<path>)", the reason
    // being strerror(code) unless given.
    static Error fileError(int code, std::string_view what, const std::string& path, std::string_view reason = {});

private:
    // The file a chain of symbolic links at `path` ends at (`path` itself when it is no link).
    static Expected<std::string> linkTarget(const std::string& path);
    static Expected<void> moveIntoPlace(const std::string& temporary, const std::string& target,
                                        const WriteOptions& options);
    static void removeTemporaries(const std::string& parent, const std::string& name);
};
