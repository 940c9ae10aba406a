#pragma once

#include <string>
#include <string_view>
#include <vector>

// The agent's editor of the mount table: adds and removes this system's
// entries ("LABEL=<name> none ntfs rw,auto,nobrowse"). Other programs edit the
// same file, so, as libmount updates a table, each change takes the table's
// lock, reads and parses the file fresh, applies the changes still waiting and
// the new one, and replaces the file whole, unless it changed meanwhile: then
// the change is made again on the new content. A change whose write failed
// waits for the next one. A file that exists but is not text is never written;
// a link at the path is followed. A name that could make the line mean
// anything but the mount of one NTFS volume by its label changes nothing.
class FSTab {
public:
    explicit FSTab(std::string path);

    void add(const std::string& name);
    void remove(const std::string& name);
    // Removes this system's entry lines only; everything else in the file stays.
    void clear();
    // Writes the changes still waiting.
    void save();

    const std::string& path() const { return m_path; }

    static std::string entryLine(const std::string& name);
    static bool isEntryLine(std::string_view line);

    // An NTFS label is at most 128 UTF-16 units (Windows' own dialogs stop at
    // 32): at most 384 bytes of UTF-8, 100 Chinese characters being 300.
    static constexpr size_t longestName = 384;

private:
    enum class Change { add, remove, clear };
    struct Operation {
        Change change;
        std::string name;
    };

    static bool isAcceptableName(const std::string& name, std::string_view function);
    void update(std::vector<Operation> operations, std::string_view function);
    // Whether the lines changed.
    static bool apply(const std::vector<Operation>& operations, std::vector<std::string>& lines);

    std::string m_path;
    std::vector<Operation> m_pending;
};
