#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListValue.h"

// A user-defaults suite: one property-list file, by default
// ~/Library/Preferences/<suite>.plist. Nothing is cached: every read parses the
// file as it is now, every write is a read-modify-write of the whole dictionary
// that replaces the file atomically (mode 0600), so a value one process writes is
// seen by every other reader at once. Writers take the file's lock, so two
// processes writing different keys keep each other's values. Safe to use from
// several threads.
//
// Only a regular file of at most `largestFile` bytes is read, opened without
// waiting (a FIFO), its values nested no deeper than a parser can take; any
// other file reads as absent values, is never overwritten, and is reported
// once per change of it.
class UserDefaults {
public:
    static constexpr size_t largestFile = size_t{1} << 20;
    using FailureHandler = std::function<void(const Error&)>;

    explicit UserDefaults(std::string suiteName, std::string path = {});

    // Told (on the reading thread) why the file reads as absent values: once
    // for each version of the file that cannot be read, not at every read.
    void setUnreadableFileHandler(FailureHandler handler);

    static std::string defaultPath(std::string_view suiteName);

    // Absent keys read as false; numbers read as "not zero", strings as
    // "YES"/"true" or a non-zero number, the way the platform reads them.
    bool boolForKey(std::string_view key) const;
    // Only a data value; anything else under the key reads as absent.
    std::optional<std::string> dataForKey(std::string_view key) const;
    // Only a string value; anything else under the key reads as absent.
    std::optional<std::string> stringForKey(std::string_view key) const;

    // Each write lands in the file before it returns, or says why it could
    // not. A file that exists but cannot be parsed is left alone (the write
    // fails), so keys we cannot read are never thrown away.
    Expected<void> set(bool value, std::string_view key);
    Expected<void> setData(std::string_view bytes, std::string_view key);
    Expected<void> setString(std::string_view text, std::string_view key);
    Expected<void> remove(std::string_view key);
    // A string literal must not turn into a Boolean by accident.
    Expected<void> set(const char*, std::string_view) = delete;

    // Writes are never deferred, so this only says whether this object's last
    // write reached the file (true when it has written nothing yet).
    bool synchronize();
    // Why this object's last write did not reach the file; none after one that did.
    std::optional<Error> lastWriteError() const;

    const std::string& suiteName() const { return m_suiteName; }
    const std::string& path() const { return m_path; }

private:
    std::optional<PropertyListValue> valueFor(std::string_view key) const;
    // Nothing removes the key.
    Expected<void> write(std::string_view key, std::optional<PropertyListValue> value);

    std::string m_suiteName;
    std::string m_path;
    mutable std::mutex m_lock;
    std::optional<Error> m_lastWriteError;
    FailureHandler m_unreadable;
    // The version of the file last reported as unreadable.
    mutable FileStamp m_reported;
};
