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
#include "Platform/Foundation/FileLock.h"
#include "Platform/Foundation/FileManager.h"
#include "Shared/LogRateLimiter.h"

// The file logger every program compiles in. An entry is a header line (time,
// source file, function tag, line) and one line per item; it goes to standard
// output and to the log file, one empty line between entries, after whatever
// the file held.
//
// Two programs (the settings app and the menu-bar app) log to one file, so
// the file is the log, not a copy of this process's entries: each entry is
// appended under the file's lock, and nothing another program wrote is ever
// written over.
//
// Anyone on the machine can make a program log (a request, an answer), so the
// file is bounded: when an entry would take it past its budget, the oldest
// entries go, whoever wrote them, with one line at the top saying so.
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

    // Empties the file, for every program that logs to it.
    void clear();

    std::string path();

private:
    static std::string header(std::string_view function, const CallSite& location);
    std::string itemLine(std::string_view item) const;
    void save(const std::string& entry);
    // Keeps an entry until a write takes it, within the budget.
    void keep(const std::string& entry);
    // The file open for appending and locked, the path naming it; without the
    // lock when a stranger held it too long. Fails when no file can be had.
    Expected<std::optional<FileLock>> openLocked();
    Expected<void> open();
    bool pathNamesOpenFile() const;
    // Appends `text` (entries) to the file; past the budget, rewrites it with
    // its newest entries after the notice.
    Expected<void> append(const std::string& text, bool locked);
    // Appends what waits to be written; kept for the next entry if it fails.
    void writeUnwritten(bool locked);
    // Replaces the file whole and opens the new one; `locked`: with the old
    // one's lock held.
    Expected<void> replaceFile(const std::string& text, bool locked);
    // A file some other tool wrote in a legacy 8-bit encoding is made readable
    // once, before our first entry goes after it; true when it was.
    Expected<bool> convertLegacyText();
    void reportFailure(const Error& error, std::string_view function, const CallSite& location);

    std::recursive_mutex m_lock;
    std::string m_path;
    size_t m_budget;
    std::optional<FileHandle> m_file;
    // Entries no write has taken yet (the file is out of reach); the next
    // write that works puts them first.
    std::deque<std::string> m_unwritten;
    size_t m_unwrittenBytes = 0;
    // This process's first entry follows the file's earlier text after an
    // empty line, even an empty text; after a clear it starts the file.
    bool m_afterEarlierText = true;
    bool m_checkedEarlierText = false;
    // A stranger held the file's lock past our patience: until we get it
    // again, we only try once instead of waiting at every entry.
    bool m_lockContended = false;
    // Said once on standard output until a write works again.
    std::string m_reportedFailure;
    LogRateLimiter m_limiter;
};
