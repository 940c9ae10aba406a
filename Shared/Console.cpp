#include "Shared/Console.h"

#include <unistd.h>

#include <cctype>
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

// Our own programs hold the lock for the time of one append (or one rewrite
// when the budget is spent); anyone else who holds it longer is let be.
constexpr std::chrono::milliseconds kPatience{2000};

// "2024-01-31 23:59:59.007 in main.cpp run() [Line 12]:"
bool isHeader(std::string_view line)
{
    constexpr std::string_view shape = "0000-00-00 00:00:00.000 in ";
    if (line.size() < shape.size() || !line.ends_with("]:") || line.find(" [Line ") == std::string_view::npos)
        return false;
    for (size_t at = 0; at < shape.size(); ++at) {
        bool digit = std::isdigit(static_cast<unsigned char>(line[at])) != 0;
        if (shape[at] == '0' ? !digit : line[at] != shape[at])
            return false;
    }
    return true;
}

// Where the first entry starting at or after `from` begins: a header after
// an empty line. An item cannot hold a line break, so only an empty item
// followed by one that looks like a header could pass for a start.
size_t entryStart(std::string_view text, size_t from)
{
    for (size_t gap = text.find("\n\n", from < 2 ? 0 : from - 2); gap != std::string_view::npos;
         gap = text.find("\n\n", gap + 1)) {
        size_t start = gap + 2;
        size_t end = text.find('\n', start);
        if (start >= from && end != std::string_view::npos && isHeader(text.substr(start, end - start)))
            return start;
    }
    return std::string_view::npos;
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
    m_file.reset();
    m_unwritten.clear();
    m_unwrittenBytes = 0;
    m_afterEarlierText = true;
    m_checkedEarlierText = false;
    m_lockContended = false;
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
    // Under the lock, so that an entry another program is appending goes
    // wholly before the clear or after it.
    auto locked = openLocked();
    Expected<void> cleared = locked ? replaceFile("", locked->has_value()) : Expected<void>(locked.error());
    if (!cleared) {
        reportFailure(cleared.error(), "clear()", CallSite::current());
        return;
    }
    m_unwritten.clear();
    m_unwrittenBytes = 0;
    m_afterEarlierText = false;
    m_checkedEarlierText = true;
    m_reportedFailure.clear();
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
    keep(entry);
    auto locked = openLocked();
    if (!locked) {
        reportFailure(locked.error(), "save(_:)", CallSite::current());
        return;
    }
    if (locked->has_value() && !m_checkedEarlierText) {
        m_checkedEarlierText = true;
        auto converted = convertLegacyText();
        if (!converted) {
            reportFailure(converted.error(), "save(_:)", CallSite::current());
        } else if (*converted) {
            // The lock held is the old file's: the new one's is taken afresh.
            locked->reset();
            auto relocked = openLocked();
            if (!relocked) {
                reportFailure(relocked.error(), "save(_:)", CallSite::current());
                return;
            }
            writeUnwritten(relocked->has_value());
            return;
        }
    }
    writeUnwritten(locked->has_value());
}

void Console::writeUnwritten(bool locked)
{
    std::string text;
    for (const auto& unwritten : m_unwritten)
        text += (text.empty() ? "" : "\n") + unwritten;
    if (auto written = append(text, locked); !written) {
        reportFailure(written.error(), "save(_:)", CallSite::current());
        return;
    }
    m_unwritten.clear();
    m_unwrittenBytes = 0;
    m_afterEarlierText = false;
    m_reportedFailure.clear();
}

void Console::keep(const std::string& entry)
{
    m_unwritten.push_back(entry);
    m_unwrittenBytes += entry.size() + 1;
    while (m_unwritten.size() > 1 && m_unwrittenBytes > m_budget / 2) {
        m_unwrittenBytes -= m_unwritten.front().size() + 1;
        m_unwritten.pop_front();
    }
}

Expected<std::optional<FileLock>> Console::openLocked()
{
    // Another program may replace the file (its clear, its trim) between our
    // opening it and getting its lock: then the path names the new one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!m_file) {
            if (auto opened = open(); !opened)
                return opened.error();
        }
        auto lock = FileLock::lock(*m_file, m_lockContended ? std::chrono::milliseconds(0) : kPatience);
        m_lockContended = !lock && lock.error().code == EWOULDBLOCK;
        if (pathNamesOpenFile())
            return lock ? std::optional<FileLock>(std::move(*lock)) : std::optional<FileLock>();
        m_file.reset();
    }
    if (auto opened = open(); !opened)
        return opened.error();
    return std::optional<FileLock>();
}

Expected<void> Console::open()
{
    m_file.reset();
    // Only a regular file of our own is written: a link, a FIFO or another
    // user's file at the path is replaced, never written through.
    const FileOpenOptions options{.followLink = false, .ownedByUs = true, .create = true};
    auto file = FileHandle::forAppending(m_path, options);
    if (!file) {
        auto replaced = FileManager::writeAtomically(m_path, "", {.owner = std::pair{::geteuid(), ::getegid()}});
        if (!replaced)
            return replaced.error();
        file = FileHandle::forAppending(m_path, options);
        if (!file)
            return file.error();
    }
    m_file = std::move(*file);
    return {};
}

bool Console::pathNamesOpenFile() const
{
    FileStamp named = FileManager::linkStamp(m_path);
    return named.exists && named.isSameFile(m_file->stamp());
}

Expected<void> Console::append(const std::string& text, bool locked)
{
    const size_t size = static_cast<size_t>(m_file->stamp().size);
    const std::string addition = (size > 0 || m_afterEarlierText ? "\n" : "") + text;
    // Without the lock a rewrite could lose what another program appends
    // meanwhile, so the file may run past its budget until the next entry.
    // Not for ever: anyone who can read the file can hold its lock, and the
    // file would grow while they do. Past twice the budget it is trimmed
    // anyway.
    if (size + addition.size() <= (locked ? m_budget : 2 * m_budget))
        return m_file->write(addition);
    // Past the budget: the oldest entries go, whoever wrote them. What is
    // kept is read back under the lock, so no other program's entry is lost.
    const size_t kept = m_budget / 2 - notice(m_budget).size() - 2;
    auto tail = m_file->readTail(kept);
    if (!tail)
        return tail.error();
    std::string joined = *tail + addition;
    size_t start = entryStart(joined, joined.size() > kept ? joined.size() - kept : 0);
    // The newest entry stays, however long it is.
    size_t newest = joined.size() - m_unwritten.back().size();
    if (start == std::string::npos || start > newest)
        start = newest;
    return replaceFile(notice(m_budget) + "\n\n" + joined.substr(start), locked);
}

Expected<void> Console::replaceFile(const std::string& text, bool locked)
{
    // Our own file, whatever was at the path: the new file belongs to us even
    // where another user's stood. Under the lock, what a program killed in
    // the middle of its own rewrite left beside the file goes.
    auto written = FileManager::writeAtomically(m_path, text, {.owner = std::pair{::geteuid(), ::getegid()},
                                                               .removeAbandonedTemporaries = locked});
    if (!written)
        return written;
    // Opened at the next entry if it cannot be now.
    (void)open();
    return {};
}

Expected<bool> Console::convertLegacyText()
{
    FileStamp stamp = m_file->stamp();
    if (stamp.size == 0 || stamp.size > static_cast<off_t>(m_budget))
        return false;
    auto text = m_file->readToEnd(m_budget);
    if (!text || UTF8::isValid(*text))
        return false;
    if (auto replaced = replaceFile(UTF8::fromLatin1(*text), true); !replaced)
        return replaced.error();
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
