#include "Shared/Console.h"

#include <unistd.h>

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

// The line at the top of a file whose oldest entries were dropped.
std::string notice(size_t budget)
{
    return "Older entries were dropped here to keep this log within " + std::to_string(budget / 1024) + " KiB.";
}

}  // namespace

Console& Console::shared()
{
    // Never destroyed, so threads still logging while the process exits are safe.
    static Console* console = new Console();
    return *console;
}

Console::Console(std::string path, size_t budget)
    : m_path(std::move(path))
    , m_budget(budget)
{
}

void Console::setPath(std::string path)
{
    std::lock_guard guard(m_lock);
    m_path = std::move(path);
    m_logs.reset();
    m_bytes = 0;
    m_dropped = false;
    m_file.reset();
    m_written = FileStamp{};
    m_reportedFailure.clear();
    m_limiter = LogRateLimiter();
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
        entry += itemLine(item);
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

void Console::printLogLimited(std::string_view key, std::string_view item, std::string_view function,
                              CallSite location)
{
    std::lock_guard guard(m_lock);
    auto leftOut = m_limiter.admit(key, LogRateLimiter::Clock::now());
    if (!leftOut)
        return;
    std::vector<std::string> items{std::string(item)};
    if (*leftOut > 0)
        items.push_back("(" + std::to_string(*leftOut) + " more like this since the previous one were left out)");
    printLog(items, function, location);
}

void Console::clear()
{
    std::lock_guard guard(m_lock);
    if (m_path.empty())
        return;
    if (!replaceFile("", "clear()"))
        return;
    m_logs.emplace();
    m_bytes = 0;
    m_dropped = false;
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

std::string Console::itemLine(std::string_view item) const
{
    std::string line = UTF8::escapedControls(item);
    // One item must not push everything else out of the log.
    size_t longest = m_budget / 4;
    if (line.size() <= longest)
        return line;
    size_t cut = longest;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
        --cut;
    size_t left = line.size() - cut;
    line.resize(cut);
    return line + " [" + std::to_string(left) + " more bytes left out]";
}

void Console::save(const std::string& entry)
{
    if (m_path.empty())
        return;
    if (!m_logs)
        load();
    bool separated = !m_logs->empty();
    m_logs->push_back(entry);
    m_bytes += entry.size() + (separated ? 1 : 0);

    // While the file is exactly what we last wrote, adding the new part gives the
    // same bytes as rewriting the whole list, without the cost growing with the log.
    if (!trimToBudget() && fileIsStillOurs()) {
        if (m_file->write(separated ? "\n" + entry : entry)) {
            m_written = m_file->stamp();
            return;
        }
    }
    replaceFile(content(), "save(_:)");
}

void Console::load()
{
    m_logs.emplace();
    m_bytes = 0;
    std::string earlier;
    // Only a file of our own is read back: one planted at the path is replaced.
    if (auto file = FileHandle::forReading(m_path, {.followLink = false, .ownedByUs = true})) {
        size_t keep = m_budget / 2;
        earlier = file->readTail(keep).valueOr("");
        if (file->stamp().size > static_cast<off_t>(keep)) {
            size_t lineStart = earlier.find('\n');
            earlier = lineStart == std::string::npos ? std::string() : earlier.substr(lineStart + 1);
            m_dropped = true;
        }
    }
    // A log another tool wrote in a legacy 8-bit encoding is kept readable
    // instead of being dropped.
    if (!UTF8::isValid(earlier))
        earlier = UTF8::fromLatin1(earlier);
    m_bytes = earlier.size();
    m_logs->push_back(std::move(earlier));
}

bool Console::trimToBudget()
{
    auto size = [&] { return m_bytes + (m_dropped ? notice(m_budget).size() + 2 : 0); };
    if (size() <= m_budget)
        return false;
    // Down to half the budget, so the whole file is rewritten once per half a
    // budget of new entries, not at every entry.
    m_dropped = true;
    while (m_logs->size() > 1 && size() > m_budget / 2) {
        m_bytes -= m_logs->front().size() + 1;
        m_logs->pop_front();
    }
    return true;
}

std::string Console::content() const
{
    std::string text = m_dropped ? notice(m_budget) + "\n\n" : std::string();
    for (size_t index = 0; index < m_logs->size(); ++index) {
        if (index > 0)
            text += '\n';
        text += (*m_logs)[index];
    }
    return text;
}

bool Console::fileIsStillOurs() const
{
    if (!m_file || !m_written.exists || !(m_file->stamp() == m_written))
        return false;
    FileStamp named = FileManager::linkStamp(m_path);
    return named.device == m_written.device && named.inode == m_written.inode;
}

bool Console::replaceFile(const std::string& text, std::string_view function)
{
    m_file.reset();
    m_written = FileStamp{};
    // Our own file, whatever was at the path: a link is replaced, not followed,
    // and the new file belongs to us even where another user's stood.
    auto written = FileManager::writeAtomically(m_path, text, {.owner = std::pair{::geteuid(), ::getegid()}});
    if (!written) {
        reportFailure(written.error(), function, CallSite::current());
        return false;
    }
    auto file = FileHandle::forAppending(m_path, {.followLink = false, .ownedByUs = true});
    if (!file) {
        reportFailure(file.error(), function, CallSite::current());
        return false;
    }
    m_written = file->stamp();
    if (m_written.size != static_cast<off_t>(text.size()))
        m_written = FileStamp{};
    m_file = std::move(*file);
    m_reportedFailure.clear();
    return true;
}

void Console::reportFailure(const Error& error, std::string_view function, const CallSite& location)
{
    // Standard output only: reporting through the file would fail again, and
    // again; and once, not at every entry, while the file stays out of reach.
    std::string said = std::string(function) + error.description;
    if (said == m_reportedFailure)
        return;
    m_reportedFailure = said;
    writeToStandardOutput(header(function, location) + error.description + "; logging to standard output only\n\n");
}
