#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/FileManager.h"

// The agent's editor of the mount table. It keeps the file's lines and adds or
// removes this system's entries ("LABEL=<name> none ntfs rw,auto,nobrowse"),
// writing the whole file back after each change.
//
// Other programs edit the same file, so every change takes the table's lock,
// reads the file again if it changed since we last saw it, and applies the
// change to what it holds now. Changes whose write failed stay pending and are
// applied again on top of the next read, until a save succeeds.
class FSTab {
public:
    explicit FSTab(std::string path);

    void add(const std::string& name);
    void remove(const std::string& name);
    // Removes this system's entry lines only; everything else in the file stays.
    void clear();
    void save();

    // Every line of the file as it will be written, entries or not.
    const std::vector<std::string>& volumes() const { return m_volumes; }
    const std::string& path() const { return m_path; }

    static std::string entryLine(const std::string& name);
    static bool isEntryLine(std::string_view line);

private:
    enum class Change { add, remove, clear };
    struct Operation {
        Change change;
        std::string name;
    };

    // Applies the change to the list; false when it changed nothing (a remove
    // without a matching line).
    static bool apply(std::vector<std::string>& lines, const Operation& operation);
    static bool isAcceptableName(const std::string& name, std::string_view function);

    // The file as it is on disk now; no text when it is missing or unreadable.
    struct Snapshot {
        FileStamp stamp;
        std::optional<std::string> text;
        FileError error;
    };

    Snapshot read() const;
    void load(Snapshot snapshot);
    void refresh();
    void perform(Operation operation);
    void write();
    std::string lockPath() const;

    std::string m_path;
    std::vector<std::string> m_volumes;
    std::vector<Operation> m_pending;
    // The file as we last read or wrote it; anything else on disk means someone
    // else changed it.
    FileStamp m_known;
    std::optional<std::string> m_knownText;
    // A file that exists but is not text we understand is never overwritten.
    bool m_readable = true;
};
