#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/FileHandle.h"

// The agent's editor of the mount table: adds and removes this system's
// entries ("LABEL=<name> none ntfs rw,auto,nobrowse"). Other programs edit the
// same file, so, as libmount updates a table, each change takes the table's
// lock, reads and parses the file fresh, applies the changes still waiting and
// the new one, and replaces the file whole. Programs that take no lock (an
// editor, echo >>) lose nothing by it: a file saved in the table's place
// after the read gets the change made on it instead, and what reaches the
// replaced file after the read (until the last program that opened it before
// the replace closes it) is kept: appended lines go on the end of the new
// table, other changes get the change made again on them. A change whose
// write failed waits for the next one. A file that exists but is not text is
// never written; a link at the path is followed. A name that could make the
// line mean anything but the mount of one NTFS volume by its label changes
// nothing.
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

    enum class Outcome { saved, changedMeanwhile, failed };

    static bool isAcceptableName(const std::string& name, std::string_view function);
    void update(std::vector<Operation> operations, std::string_view function);
    // Puts `lines` in the place of the file that held `read` (as `readStamp`),
    // then keeps what other programs wrote to that file meanwhile.
    Outcome replace(const std::vector<std::string>& lines, const std::string& read, const FileStamp& readStamp,
                    const std::vector<Operation>& operations, bool locked);
    // What the replaced file holds once no program writes to it any more,
    // when that is more than lines appended to `read`; appended lines are
    // carried over at once.
    std::optional<std::string> writtenMeanwhile(std::optional<FileHandle>& replaced, const std::string& read);
    void carryOver(std::string_view appended);
    // Whether the lines changed.
    static bool apply(const std::vector<Operation>& operations, std::vector<std::string>& lines);

    std::string m_path;
    std::vector<Operation> m_pending;
};
