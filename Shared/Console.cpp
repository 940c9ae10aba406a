#include "Shared/Console.h"

#include <cstdio>

#include "Platform/Foundation/UTF8.h"

namespace {

void writeToStandardOutput(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// The file's earlier text. A log another tool wrote in a legacy 8-bit
// encoding is kept readable instead of being dropped.
std::string earlierText(const std::string& path)
{
    auto bytes = FileManager::contents(path);
    if (!bytes)
        return {};
    return UTF8::isValid(*bytes) ? std::move(*bytes) : UTF8::fromLatin1(*bytes);
}

}  // namespace

Console& Console::shared()
{
    // Never destroyed, so threads still logging while the process exits are safe.
    static Console* console = new Console(programLogPath());
    return *console;
}

Console::Console(std::string path)
    : m_path(std::move(path))
{
}

void Console::printLog(const std::vector<std::string>& items, std::string_view function, CallSite location)
{
    std::lock_guard guard(m_lock);
    std::string entry = header(function, location);
    for (const auto& item : items) {
        entry += item;
        entry += '\n';
    }
    // One write per entry, with the empty line that separates entries on a terminal.
    writeToStandardOutput(entry + "\n");
    save(entry);
}

void Console::printLog(std::string_view item, std::string_view function, CallSite location)
{
    printLog(std::vector<std::string>{std::string(item)}, function, location);
}

void Console::printLog(std::initializer_list<std::string> items, std::string_view function, CallSite location)
{
    printLog(std::vector<std::string>(items), function, location);
}

void Console::clear()
{
    std::lock_guard guard(m_lock);
    if (auto error = FileManager::writeAtomically(m_path, "")) {
        reportFailure(*error, "clear()", CallSite::current());
        return;
    }
    m_logs.emplace();
    FileStamp written = FileManager::stamp(m_path);
    m_written = written.size == 0 ? written : FileStamp{};
}

std::string Console::header(std::string_view function, const CallSite& location) const
{
    std::string text = m_formatter.stringFromNow();
    text += " in ";
    text += FileManager::lastPathComponent(location.fileName);
    text += ' ';
    text += function;
    text += " [Line ";
    text += std::to_string(location.line);
    text += "]:\n";
    return text;
}

void Console::save(const std::string& entry)
{
    if (!m_logs)
        m_logs.emplace(std::vector<std::string>{earlierText(m_path)});
    bool separated = !m_logs->empty();
    m_logs->push_back(entry);

    // While the file is exactly what we last wrote, adding the new part gives the
    // same bytes as rewriting the whole list, without the cost growing with the log.
    FileStamp current = m_written.exists ? FileManager::stamp(m_path) : FileStamp{};
    bool appending = m_written.exists && current == m_written;

    std::optional<FileError> error;
    off_t expectedSize = 0;
    if (appending) {
        std::string part = separated ? "\n" + entry : entry;
        error = FileManager::append(m_path, part);
        expectedSize = current.size + static_cast<off_t>(part.size());
    } else {
        std::string content;
        size_t total = 0;
        for (const auto& element : *m_logs)
            total += element.size() + 1;
        content.reserve(total);
        for (size_t index = 0; index < m_logs->size(); ++index) {
            if (index > 0)
                content += '\n';
            content += (*m_logs)[index];
        }
        error = FileManager::writeAtomically(m_path, content);
        expectedSize = static_cast<off_t>(content.size());
    }

    if (error) {
        // The file may hold a part of the write; the next entry rewrites it whole.
        m_written = FileStamp{};
        reportFailure(*error, "save(_:)", CallSite::current());
        return;
    }

    // Only trust the file as ours if nobody else changed it in between.
    FileStamp written = FileManager::stamp(m_path);
    bool ours = written.exists && written.size == expectedSize
        && (!appending || (written.device == current.device && written.inode == current.inode));
    m_written = ours ? written : FileStamp{};
}

void Console::reportFailure(const FileError& error, std::string_view function, const CallSite& location)
{
    // Standard output only: reporting through the file would fail again, and again.
    writeToStandardOutput(header(function, location) + error.description + "\n\n");
}
