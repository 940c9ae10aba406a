#include "Agent/FSTab.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
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
// Saves that find another file in the table's place before giving up for this request.
constexpr int kAttempts = 50;
// How long a program that opened the table before it was replaced may go on
// writing to the old file, whose new lines are then copied over.
constexpr std::chrono::seconds kWriterPatience{5};

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

// The table as read: its lines, the bytes they came from and which file
// they came from.
struct Table {
    std::vector<std::string> lines;
    std::string text;
    FileStamp stamp;
};

// The table in `text`, unless that is not UTF-8 text.
Expected<Table> tableOf(std::string text, const std::string& path)
{
    if (!UTF8::isValid(text))
        return FileManager::fileError(EILSEQ, "read", path, "it is not UTF-8 text");
    std::string_view body = text;
    if (body.starts_with(byteOrderMark))
        body.remove_prefix(byteOrderMark.size());
    std::vector<std::string> lines = linesOf(body);
    return Table{std::move(lines), std::move(text), {}};
}

// The table, or why there is none: it is missing, is no regular file (a FIFO
// is not waited on), cannot be read, or is not UTF-8 text.
Expected<Table> readTable(Expected<FileHandle> file)
{
    if (!file)
        return file.error();
    FileStamp stamp = file->stamp();
    auto text = file->readToEnd();
    // A program appending to the table can be caught in the middle of its
    // line: a write that crosses a page shows in two steps. An unfinished
    // last line is read again while nobody can write to the file.
    if (text && !text->empty() && text->back() != '\n') {
        if (auto settled = file->readToEndWithoutWriters(kWriterPatience))
            text = std::move(settled);
    }
    if (!text)
        return text.error();
    auto table = tableOf(std::move(*text), file->path());
    if (table)
        table->stamp = stamp;
    return table;
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

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        auto table = readTable(FileHandle::forReading(m_path));
        if (!table && table.error().code == ENOENT)
            table = Table{};
        if (!table) {
            // It holds lines we cannot see; the changes wait for a table we can read.
            m_pending = std::move(all);
            Console::shared().printLog(table.error().description + "; it is left unchanged", "save()");
            return;
        }
        if (!apply(all, table->lines))
            return;
        switch (replace(table->lines, table->text, table->stamp, all, bool(lock))) {
        case Outcome::saved:
            return;
        case Outcome::failed:
            m_pending = std::move(all);
            return;
        case Outcome::changedMeanwhile:
            break;
        }
    }
    m_pending = std::move(all);
    Console::shared().printLog("The file " + m_path + " kept changing while it was being saved; the change waits",
                               "save()");
}

FSTab::Outcome FSTab::replace(const std::vector<std::string>& lines, const std::string& read,
                              const FileStamp& readStamp, const std::vector<Operation>& operations, bool locked)
{
    std::string text = textOf(lines);
    std::optional<FileHandle> replaced;
    FileStamp ours;
    auto written = FileManager::writeAtomically(m_path, text,
                                                {.followLink = true,
                                                 .replacing = readStamp,
                                                 .replaced = &replaced,
                                                 .removeAbandonedTemporaries = locked,
                                                 .written = &ours});
    if (!written && written.error().code == ESTALE)
        return Outcome::changedMeanwhile;
    if (!written) {
        Console::shared().printLog(written.error().description, "save()");
        return Outcome::failed;
    }
    auto rewritten = writtenMeanwhile(replaced, read);
    if (!rewritten)
        return Outcome::saved;

    // Rewritten in place, or another file moved there at the very moment of
    // the replace: the change is made again on what it holds, over our own
    // file (and what was appended to that meanwhile).
    auto table = tableOf(std::move(*rewritten), m_path);
    if (!table) {
        Console::shared().printLog(table.error().description + "; another program's changes to it are not kept",
                                   "save()");
        return Outcome::saved;
    }
    apply(operations, table->lines);
    replaced.reset();
    written = FileManager::writeAtomically(m_path, textOf(table->lines),
                                           {.followLink = true,
                                            .replacing = ours,
                                            .replaced = &replaced,
                                            .removeAbandonedTemporaries = locked});
    if (!written && written.error().code != ESTALE)
        Console::shared().printLog(written.error().description + "; another program's changes to it are not kept",
                                   "save()");
    else if (!written || writtenMeanwhile(replaced, text))
        Console::shared().printLog("The file " + m_path
                                       + " was rewritten by other programs while it was being saved; it is left as "
                                         "the last one wrote it",
                                   "save()");
    return Outcome::saved;
}

std::optional<std::string> FSTab::writtenMeanwhile(std::optional<FileHandle>& replaced, const std::string& read)
{
    if (!replaced)
        return std::nullopt;
    if (auto settled = replaced->waitForWriters(kWriterPatience); !settled)
        Console::shared().printLog(settled.error().description + "; what is written there from now on is lost",
                                   "save()");
    auto now = replaced->readToEnd();
    if (!now) {
        Console::shared().printLog(now.error().description + "; what another program wrote to it meanwhile is lost",
                                   "save()");
        return std::nullopt;
    }
    if (!now->starts_with(read))
        return now.value();
    carryOver(std::string_view(*now).substr(read.size()));
    return std::nullopt;
}

// Appended after the table's last line, which a line of its own ends.
void FSTab::carryOver(std::string_view appended)
{
    if (appended.find_first_not_of('\n') == std::string_view::npos)
        return;
    auto file = FileHandle::forAppending(m_path);
    std::string text;
    if (file) {
        if (auto last = file->readTail(1); last && !last->empty() && last->back() != '\n')
            text = "\n";
    }
    text += appended;
    if (!text.ends_with('\n'))
        text += '\n';
    Expected<void> written = file ? file->write(text) : Expected<void>(file.error());
    if (!written)
        Console::shared().printLog(written.error().description + "; lines another program appended meanwhile are lost",
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
