#pragma once

#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/CallSite.h"
#include "Platform/Foundation/FileManager.h"

// The file logger every program compiles in. An entry is a header line (time,
// source file, function tag, line) and one line per item; it goes to standard
// output and to the log file, which always holds this process's entries (after
// whatever the file held when first needed), one empty line between entries.
class Console {
public:
    // The shared logger writes to standard output only until the program's
    // main hands it the log file ("/tmp/ntfs_cmd.txt" for the agent,
    // "/Users/tamsel/Parvex.txt" for the two user-side apps).
    static Console& shared();

    // An empty path logs to standard output only.
    explicit Console(std::string path = {});

    // Logs to `path` from now on, as if this logger were new.
    void setPath(std::string path);

    // `function` is the tag a reader searches for ("doEvent(_:)", "save()", "run()").
    void printLog(const std::vector<std::string>& items, std::string_view function,
                  CallSite location = CallSite::current());
    void printLog(std::string_view item, std::string_view function,
                  CallSite location = CallSite::current());
    // Lets {"a", "b"} pick the list of items rather than a text spanning two pointers.
    void printLog(std::initializer_list<std::string> items, std::string_view function,
                  CallSite location = CallSite::current());

    void clear();

    std::string path();

private:
    static std::string header(std::string_view function, const CallSite& location);
    void save(const std::string& entry);
    static void reportFailure(const Error& error, std::string_view function, const CallSite& location);

    std::recursive_mutex m_lock;
    std::string m_path;
    std::optional<std::vector<std::string>> m_logs;
    // The file as this process last wrote it; while it still matches, a new
    // entry is appended instead of rewriting everything.
    FileStamp m_written;
};
