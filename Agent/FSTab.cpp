#include "Agent/FSTab.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "Platform/Foundation/FileHandle.h"
#include "Platform/Foundation/FileLock.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Text.h"
#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"
#include "Shared/Kit/Kit.h"

namespace {

constexpr std::string_view entryPrefix = "LABEL=";
constexpr std::string_view entrySuffix = " none ntfs rw,auto,nobrowse";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
// Saves that find the file changed under them before giving up for this request.
constexpr int kAttempts = 50;

// Lines end at a line feed, except that a carriage return and line feed make one
// character together, so a file with such line ends is not split there. Empty
// pieces (blank lines, the final line feed) are dropped.
std::vector<std::string> linesOf(std::string_view text)
{
    std::vector<std::string> lines;
    for (auto& piece : Text::split(text, '\n', Text::keepEmpty)) {
        if (!lines.empty() && lines.back().ends_with('\r'))
            lines.back() += "\n" + piece;
        else
            lines.push_back(std::move(piece));
    }
    std::erase_if(lines, [](const std::string& line) { return line.empty(); });
    return lines;
}

// The table as read: its lines, which version of the file they came from,
// and the file itself, still open.
struct Table {
    std::vector<std::string> lines;
    FileStamp stamp;
    std::optional<FileHandle> file;
};

// The table, or why there is none: it is missing, is no regular file (a FIFO
// is not waited on), cannot be read, or is not UTF-8 text.
Expected<Table> readTable(Expected<FileHandle> file)
{
    if (!file)
        return file.error();
    // The version before reading: whatever is written after this shows as a change.
    FileStamp stamp = file->stamp();
    auto text = file->readToEnd();
    if (!text)
        return text.error();
    if (!UTF8::isValid(*text))
        return FileManager::fileError(EILSEQ, "read", file->path(), "it is not UTF-8 text");
    std::string_view body = *text;
    if (body.starts_with(byteOrderMark))
        body.remove_prefix(byteOrderMark.size());
    return Table{linesOf(body), stamp, std::move(*file)};
}

// Every line ends with a line feed, the last one too, so that a line another
// program appends (echo ... >> /etc/fstab) starts a line of its own.
std::string textOf(const std::vector<std::string>& lines)
{
    return lines.empty() ? std::string() : Text::join(lines, '\n') + '\n';
}

// A line feed, carriage return, NUL or other control character would break
// the table's line structure or hide in it; invalid UTF-8 would make the whole
// file unreadable to us afterwards.
bool hasControlCharacter(std::string_view name)
{
    for (size_t i = 0; i < name.size(); ++i) {
        auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F)
            return true;
        // U+0080...U+009F; in valid UTF-8 0xC2 is always a lead byte.
        if (byte == 0xC2 && i + 1 < name.size()) {
            auto next = static_cast<unsigned char>(name[i + 1]);
            if (next >= 0x80 && next <= 0x9F)
                return true;
        }
    }
    return false;
}

}  // namespace

FSTab::FSTab(std::string path)
    : m_path(std::move(path))
{
    // A missing table is normal (the first save creates it); it is said all the same.
    if (auto table = readTable(FileHandle::forReading(m_path)); !table)
        Console::shared().printLog(table.error().description, "init()");
}

std::string FSTab::entryLine(const std::string& name)
{
    std::string line(entryPrefix);
    line += name;
    line += entrySuffix;
    return line;
}

bool FSTab::isEntryLine(std::string_view line)
{
    return line.size() >= entryPrefix.size() + entrySuffix.size() && line.starts_with(entryPrefix)
        && line.ends_with(entrySuffix);
}

void FSTab::add(const std::string& name)
{
    if (isAcceptableName(name, "add(_:)"))
        update({{Change::add, name}}, "add(_:)");
}

void FSTab::remove(const std::string& name)
{
    if (isAcceptableName(name, "remove(_:)"))
        update({{Change::remove, name}}, "remove(_:)");
}

void FSTab::clear()
{
    update({{Change::clear, {}}}, "clear()");
}

void FSTab::save()
{
    update({}, "save()");
}

bool FSTab::isAcceptableName(const std::string& name, std::string_view function)
{
    const char* fault = nullptr;
    if (!UTF8::isValid(name))
        fault = "is not valid UTF-8";
    else if (hasControlCharacter(name))
        fault = "holds a control character";
    else if (name.find_first_of(" \t") != std::string::npos)
        fault = "holds a blank or a tab, which would end its field of the table";
    else if (name.size() > longestName)
        fault = "is longer than an NTFS label can be";
    if (!fault)
        return true;
    Console::shared().printLog("The volume name " + Kit::quoted(name) + " " + fault + "; the table is left unchanged",
                               function);
    return false;
}

void FSTab::update(std::vector<Operation> operations, std::string_view function)
{
    auto lock = FileLock::lock(m_path);
    if (!lock)
        Console::shared().printLog(lock.error().description + "; the table is changed without it", function);
    std::vector<Operation> all = std::exchange(m_pending, {});
    all.insert(all.end(), std::make_move_iterator(operations.begin()), std::make_move_iterator(operations.end()));

    // Programs that do not take the lock (an editor, echo >>) may write between
    // our read and our rename, or, having opened the file before the rename,
    // into the file we replaced: either way the change is made again on what
    // they wrote, and written unless the file changed once more.
    std::optional<FileHandle> replaced;
    FileStamp ours;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bool redo = replaced.has_value();
        auto table = redo ? readTable(std::move(*replaced)) : readTable(FileHandle::forReading(m_path));
        replaced.reset();
        if (!table && table.error().code == ENOENT)
            table = Table{};
        if (!table) {
            // It holds lines we cannot see; the changes wait for a table we can read.
            m_pending = std::move(all);
            Console::shared().printLog(table.error().description + "; it is left unchanged", "save()");
            return;
        }
        if (!apply(all, table->lines) && !redo)
            return;
        // A redo on what the replaced file holds now goes over our own file,
        // unless that changed as well.
        auto written = FileManager::writeAtomically(m_path, textOf(table->lines),
                                                    {.followLink = true,
                                                     .unchangedSince = redo ? ours : table->stamp,
                                                     .removeAbandonedTemporaries = bool(lock),
                                                     .written = &ours});
        if (!written && written.error().code == ESTALE)
            continue;
        if (!written) {
            m_pending = std::move(all);
            Console::shared().printLog(written.error().description, "save()");
            return;
        }
        if (!table->file || table->file->stamp() == table->stamp)
            return;
        replaced = std::move(table->file);
    }
    m_pending = std::move(all);
    Console::shared().printLog("The file " + m_path + " kept changing while it was being saved; the change waits",
                               "save()");
}

bool FSTab::apply(const std::vector<Operation>& operations, std::vector<std::string>& lines)
{
    bool changed = false;
    for (const auto& operation : operations) {
        switch (operation.change) {
        case Change::add:
            lines.push_back(entryLine(operation.name));
            changed = true;
            break;
        case Change::remove: {
            std::string entry = entryLine(operation.name);
            std::string composed = UTF8::nfc(entry);
            auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
                return line == entry || UTF8::nfc(line) == composed;
            });
            if (found != lines.end()) {
                lines.erase(found);
                changed = true;
            }
            break;
        }
        case Change::clear:
            std::erase_if(lines, [](const std::string& line) { return isEntryLine(line); });
            // A clear always writes, even when there was nothing to remove.
            changed = true;
            break;
        }
    }
    return changed;
}
