#include "Agent/FSTab.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "Platform/Foundation/FileLock.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Text.h"
#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"

namespace {

constexpr std::string_view entryPrefix = "LABEL=";
constexpr std::string_view entrySuffix = " none ntfs rw,auto,nobrowse";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

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

// The table's lines, or why there are none: it is missing, cannot be read, or
// is not UTF-8 text.
Expected<std::vector<std::string>> readLines(const std::string& path)
{
    auto text = FileManager::contents(path);
    if (!text)
        return text.error();
    if (!UTF8::isValid(*text))
        return Error{EILSEQ, "The file \"" + FileManager::lastPathComponent(path) + "\" couldn't be read as UTF-8 text ("
                                 + path + ")"};
    std::string_view body = *text;
    if (body.starts_with(byteOrderMark))
        body.remove_prefix(byteOrderMark.size());
    return linesOf(body);
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
    if (auto lines = readLines(m_path); !lines)
        Console::shared().printLog(lines.error().description, "init()");
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
    if (!UTF8::isValid(name)) {
        Console::shared().printLog("Volume name is not valid UTF-8; the table is left unchanged", function);
        return false;
    }
    if (hasControlCharacter(name)) {
        Console::shared().printLog("Volume name holds a control character; the table is left unchanged", function);
        return false;
    }
    return true;
}

void FSTab::update(std::vector<Operation> operations, std::string_view function)
{
    auto lock = FileLock::lock(m_path);
    if (!lock)
        Console::shared().printLog(lock.error().description + "; the table is changed without it", function);
    std::vector<Operation> all = std::exchange(m_pending, {});
    all.insert(all.end(), std::make_move_iterator(operations.begin()), std::make_move_iterator(operations.end()));

    auto lines = readLines(m_path);
    if (!lines && lines.error().code == ENOENT)
        lines = std::vector<std::string>();
    if (!lines) {
        // It holds lines we cannot see; the changes wait for a table we can read.
        m_pending = std::move(all);
        Console::shared().printLog(lines.error().description + "; it is left unchanged", "save()");
        return;
    }
    bool changed = false;
    for (const auto& operation : all) {
        switch (operation.change) {
        case Change::add:
            lines->push_back(entryLine(operation.name));
            changed = true;
            break;
        case Change::remove: {
            std::string entry = entryLine(operation.name);
            std::string composed = UTF8::nfc(entry);
            auto found = std::find_if(lines->begin(), lines->end(), [&](const std::string& line) {
                return line == entry || UTF8::nfc(line) == composed;
            });
            if (found != lines->end()) {
                lines->erase(found);
                changed = true;
            }
            break;
        }
        case Change::clear:
            std::erase_if(*lines, [](const std::string& line) { return isEntryLine(line); });
            // A clear always writes, even when there was nothing to remove.
            changed = true;
            break;
        }
    }
    if (!changed)
        return;
    if (auto written = FileManager::writeAtomically(m_path, Text::join(*lines, '\n')); !written) {
        m_pending = std::move(all);
        Console::shared().printLog(written.error().description, "save()");
    }
}
