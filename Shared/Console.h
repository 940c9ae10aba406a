#pragma once

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/CallSite.h"
#include "Platform/Foundation/FileHandle.h"
#include "Platform/Foundation/FileManager.h"
#include "Shared/LogRateLimiter.h"

// The file logger every program compiles in. An entry is a header line (time,
// source file, function tag, line) and one line per item; it goes to standard
// output and to the log file, which holds this process's newest entries (after
// whatever the file held when first needed), one empty line between entries.
//
// Anyone on the machine can make a program log (a request, an answer), so the
// log is bounded: the entries kept in memory and in the file stay within a
// budget, the oldest dropped first, with one line at the top saying so.
// Control characters in items are escaped, so an item is always one line. The
// file is written only through a descriptor of our own regular file, never by
// a path that someone may have turned into a link meanwhile.
class Console {
public:
    static constexpr size_t defaultBudget = size_t{1} << 20;

    // The shared logger writes to standard output only until the program's
    // main hands it the log file ("/tmp/ntfs_cmd.txt" for the agent,
    // "/Users/tamsel/Parvex.txt" for the two user-side apps).
    static Console& shared();

    // An empty path logs to standard output only.
    explicit Console(std::string path = {}, size_t budget = defaultBudget);

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

    // For what others can make happen over and over (a sender's ignored
    // requests): at most one entry per `key` a minute; the next one after that
    // adds a line with how many were left out.
    void printLogLimited(std::string_view key, std::string_view item, std::string_view function,
                         CallSite location = CallSite::current());

    void clear();

    std::string path();

private:
    static std::string header(std::string_view function, const CallSite& location);
    std::string itemLine(std::string_view item) const;
    void save(const std::string& entry);
    void load();
    // Drops the oldest entries once the budget is spent; whether any went.
    bool trimToBudget();
    std::string content() const;
    bool fileIsStillOurs() const;
    // Replaces the file with `text` and opens it for the entries to come.
    bool replaceFile(const std::string& text, std::string_view function);
    void reportFailure(const Error& error, std::string_view function, const CallSite& location);

    std::recursive_mutex m_lock;
    std::string m_path;
    size_t m_budget;
    // The file's content is the notice (once entries were dropped), then these
    // joined with line feeds; m_bytes counts those joined bytes.
    std::optional<std::deque<std::string>> m_logs;
    size_t m_bytes = 0;
    bool m_dropped = false;
    // The file as this process last wrote it, open for appending; while it is
    // still that, a new entry is appended instead of rewriting everything.
    std::optional<FileHandle> m_file;
    FileStamp m_written;
    // Said once on standard output until a write works again.
    std::string m_reportedFailure;
    LogRateLimiter m_limiter;
};
