#include "Shared/Console.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "Platform/Foundation/Text.h"
#include "Platform/Foundation/UTF8.h"

namespace {

// "2024-01-31 23:59:59.007" in local time; the fraction is cut, never rounded
// into the next second.
std::string timestamp()
{
    using namespace std::chrono;
    auto milliseconds = floor<std::chrono::milliseconds>(system_clock::now().time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[40];
    size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(milliseconds % 1000));
    return text;
}

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
    static Console* console = new Console();
    return *console;
}

Console::Console(std::string path)
    : m_path(std::move(path))
{
}

void Console::setPath(std::string path)
{
    std::lock_guard guard(m_lock);
    m_path = std::move(path);
    m_logs.reset();
    m_written = FileStamp{};
}

std::string Console::path()
{
    std::lock_guard guard(m_lock);
    return m_path;
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
    if (m_path.empty())
        return;
    if (auto cleared = FileManager::writeAtomically(m_path, ""); !cleared) {
        reportFailure(cleared.error(), "clear()", CallSite::current());
        return;
    }
    m_logs.emplace();
    FileStamp written = FileManager::stamp(m_path);
    m_written = written.size == 0 ? written : FileStamp{};
}

std::string Console::header(std::string_view function, const CallSite& location)
{
    std::string text = timestamp();
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
    if (m_path.empty())
        return;
    if (!m_logs)
        m_logs.emplace(std::vector<std::string>{earlierText(m_path)});
    bool separated = !m_logs->empty();
    m_logs->push_back(entry);

    // While the file is exactly what we last wrote, adding the new part gives the
    // same bytes as rewriting the whole list, without the cost growing with the log.
    FileStamp current = m_written.exists ? FileManager::stamp(m_path) : FileStamp{};
    bool appending = m_written.exists && current == m_written;

    Expected<void> written;
    off_t expectedSize = 0;
    if (appending) {
        std::string part = separated ? "\n" + entry : entry;
        written = FileManager::append(m_path, part);
        expectedSize = current.size + static_cast<off_t>(part.size());
    } else {
        std::string content = Text::join(*m_logs, '\n');
        written = FileManager::writeAtomically(m_path, content);
        expectedSize = static_cast<off_t>(content.size());
    }

    if (!written) {
        // The file may hold a part of the write; the next entry rewrites it whole.
        m_written = FileStamp{};
        reportFailure(written.error(), "save(_:)", CallSite::current());
        return;
    }

    // Only trust the file as ours if nobody else changed it in between.
    FileStamp now = FileManager::stamp(m_path);
    bool ours = now.exists && now.size == expectedSize
        && (!appending || (now.device == current.device && now.inode == current.inode));
    m_written = ours ? now : FileStamp{};
}

void Console::reportFailure(const Error& error, std::string_view function, const CallSite& location)
{
    // Standard output only: reporting through the file would fail again, and again.
    writeToStandardOutput(header(function, location) + error.description + "\n\n");
}
