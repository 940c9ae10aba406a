#include "Agent/FSTab.h"

#include <cerrno>
#include <utility>

#include "Platform/Foundation/FileLock.h"
#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"

namespace {

constexpr std::string_view entryPrefix = "LABEL=";
constexpr std::string_view entrySuffix = " none ntfs rw,auto,nobrowse";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// Lines end at a line feed, except that a carriage return and line feed make one
// character together, so a file with such line ends is not split there. Empty
// pieces (blank lines, the final line feed) are dropped.
std::vector<std::string> split(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' || (i > 0 && text[i - 1] == '\r'))
            continue;
        if (i > start)
            lines.emplace_back(text.substr(start, i - start));
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string join(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    return text;
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
    load(read());
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
        perform({Change::add, name});
}

void FSTab::remove(const std::string& name)
{
    if (isAcceptableName(name, "remove(_:)"))
        perform({Change::remove, name});
}

void FSTab::clear()
{
    perform({Change::clear, {}});
}

void FSTab::save()
{
    FileLock lock(lockPath());
    refresh();
    write();
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

bool FSTab::apply(std::vector<std::string>& lines, const Operation& operation)
{
    switch (operation.change) {
    case Change::add:
        lines.push_back(entryLine(operation.name));
        return true;
    case Change::remove: {
        std::string entry = entryLine(operation.name);
        std::string composed = UTF8::nfc(entry);
        for (auto it = lines.begin(); it != lines.end(); ++it) {
            if (*it == entry || UTF8::nfc(*it) == composed) {
                lines.erase(it);
                return true;
            }
        }
        return false;
    }
    case Change::clear:
        std::erase_if(lines, [](const std::string& line) { return isEntryLine(line); });
        // A clear always writes, even when there was nothing to remove.
        return true;
    }
    return false;
}

void FSTab::perform(Operation operation)
{
    FileLock lock(lockPath());
    refresh();
    // While the file cannot be read we cannot tell whether a remove finds its
    // line, so it waits with the other changes for a file we can read.
    if (!apply(m_volumes, operation) && m_readable)
        return;
    m_pending.push_back(std::move(operation));
    write();
}

// The stamp is taken before the bytes: should the file change while we read,
// the next change sees a newer stamp and reads it again.
FSTab::Snapshot FSTab::read() const
{
    Snapshot snapshot;
    snapshot.stamp = FileManager::stamp(m_path);
    snapshot.text = FileManager::contents(m_path, &snapshot.error);
    if (snapshot.text && !UTF8::isValid(*snapshot.text)) {
        snapshot.text.reset();
        snapshot.error = FileError{EILSEQ, "The file “" + FileManager::lastPathComponent(m_path)
                                               + "” couldn’t be read as UTF-8 text (" + m_path + ")"};
    }
    return snapshot;
}

void FSTab::load(Snapshot snapshot)
{
    m_known = snapshot.stamp;
    m_knownText = std::move(snapshot.text);
    m_volumes.clear();
    if (!m_knownText) {
        Console::shared().printLog(snapshot.error.description, "init()");
        // A missing table is normal (the first save creates it); anything else
        // holds the user's lines that we cannot see, so it must not be replaced.
        m_readable = snapshot.error.code == ENOENT;
        return;
    }
    m_readable = true;
    std::string_view text = *m_knownText;
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    m_volumes = split(text);
}

// The bytes are compared as well as the stamp: the table is small, and a rewrite
// of the same size within one timestamp tick leaves the stamp as it was.
void FSTab::refresh()
{
    Snapshot now = read();
    if (m_readable && now.stamp == m_known && now.text == m_knownText)
        return;
    load(std::move(now));
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        // A remove whose line is gone by now has nothing left to do; while the
        // file cannot be read, it keeps waiting.
        if (apply(m_volumes, *it) || !m_readable)
            ++it;
        else
            it = m_pending.erase(it);
    }
}

void FSTab::write()
{
    if (!m_readable) {
        Console::shared().printLog("The file " + m_path + " exists but couldn’t be read as text; it is left unchanged",
                                   "save()");
        return;
    }
    std::string text = join(m_volumes);
    if (auto error = FileManager::writeAtomically(m_path, text, 0644)) {
        Console::shared().printLog(error->description, "save()");
        return;
    }
    m_known = FileManager::stamp(m_path);
    m_knownText = std::move(text);
    m_pending.clear();
}

std::string FSTab::lockPath() const
{
    auto slash = m_path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : m_path.substr(0, slash == 0 ? 1 : slash);
    if (!folder.ends_with('/'))
        folder += '/';
    return folder + "." + FileManager::lastPathComponent(m_path) + ".lock";
}
