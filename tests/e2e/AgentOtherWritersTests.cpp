#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "Platform/Foundation/Text.h"
#include "support/AgentFixture.h"
#include "support/OpenGate.h"

namespace {

// The temporary file the agent writes its new table to: made (empty) once it
// has read the table, before it puts the new one in its place. After the
// replace the old table has that name for a moment, and the agent opens it
// there to copy over what other programs added to it.
constexpr const char* kAgentsNewTable = ".fstab.partial-";

std::string otherLine(size_t index) { return "UUID=" + std::to_string(index) + " /mnt/other ext4 defaults 0 2"; }

// As `echo LINE >> /etc/fstab` does: open, write, close.
void appendLine(const std::string& path, const std::string& line)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string text = line + "\n";
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

// As an editor saves: a new file written beside the table and renamed over it.
void saveAsAnEditor(const std::string& path, const std::string& text)
{
    const std::string fresh = path + ".editor-save";
    int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
    ASSERT_EQ(::rename(fresh.c_str(), path.c_str()), 0);
}

// Which of the other program's lines 0..count-1 are missing from the text.
std::vector<size_t> missingOtherLines(const std::string& text, size_t count)
{
    std::vector<int> seen(count, 0);
    for (const auto& line : Text::split(text, '\n')) {
        if (line.starts_with("UUID=")) {
            size_t index = std::stoul(line.substr(5));
            if (index < count)
                ++seen[index];
        }
    }
    std::vector<size_t> missing;
    for (size_t index = 0; index < count; ++index) {
        if (seen[index] != 1)
            missing.push_back(index);
    }
    return missing;
}

// Another program appending lines 0, 1, 2... as fast as it can, a given
// number at a time. It pauses, between two lines, whenever the test asks for
// its turn.
class Appender {
public:
    explicit Appender(std::string path)
        : m_thread([this, path = std::move(path)] {
            std::unique_lock hold(m_turn);
            for (;;) {
                m_changed.wait(hold, [&] { return m_stop || (m_wanted == 0 && m_count < m_limit); });
                if (m_stop)
                    return;
                appendLine(path, otherLine(m_count));
                ++m_count;
            }
        })
    {
    }
    ~Appender() { stop(); }

    void append(size_t lines)
    {
        std::lock_guard hold(m_turn);
        m_limit = m_count + lines;
        m_changed.notify_all();
    }
    void stop()
    {
        {
            std::lock_guard hold(m_turn);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    // Runs `work` between two lines; it learns how many were written.
    template <typename Work> void betweenLines(Work work)
    {
        ++m_wanted;
        std::unique_lock hold(m_turn);
        --m_wanted;
        work(m_count);
        hold.unlock();
        m_changed.notify_all();
    }
    size_t count()
    {
        std::lock_guard hold(m_turn);
        return m_count;
    }

private:
    std::mutex m_turn;
    std::condition_variable m_changed;
    std::atomic<int> m_wanted = 0;
    bool m_stop = false;
    size_t m_count = 0;
    size_t m_limit = 0;
    std::thread m_thread;
};

bool movedIntoPlace(int watch, const std::string& name, int milliseconds)
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        pollfd ready{watch, POLLIN, 0};
        if (::poll(&ready, 1, milliseconds) <= 0)
            return false;
        ssize_t length = ::read(watch, buffer, sizeof buffer);
        for (ssize_t offset = 0; offset < length;) {
            auto* event = reinterpret_cast<inotify_event*>(buffer + offset);
            if ((event->mask & IN_MOVED_TO) && event->len > 0 && name == event->name)
                return true;
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

}  // namespace

// The agent rewrites /etc/fstab whole while other programs, which take no
// lock, append to it or save it as an editor does.
class AgentAmongOtherWriters : public AgentFixture {};

TEST_F(AgentAmongOtherWriters, EveryLineAnAppenderOrAnEditorWritesMeanwhileIsKept)
{
    writeFstab("# kept\n", 0644);
    start();
    // The appender and the editor take turns, as two careful programs would:
    // neither loses what the other wrote, so whatever goes missing was lost
    // by the agent.
    std::vector<std::string> saved;
    std::vector<std::string> faults;
    size_t steps = 0;
    std::string why;
    std::optional<Appender> appender;
    // Each time the agent has read the table and starts writing the new one,
    // every line written so far must be in the file; at every third such
    // step an editor saves the table with a line of its own on top.
    auto gate = OpenGate::install("/etc", m_agent->pid(), kAgentsNewTable, [&](const OpenGate::Opened& file) {
        if (file.size != 0)
            return;
        appender->betweenLines([&](size_t appended) {
            if (steps++ % 3 == 0) {
                saved.push_back("# saved by an editor, " + std::to_string(saved.size()));
                saveAsAnEditor(fstab, saved.back() + "\n" + readFile(fstab));
            }
            std::string now = readFile(fstab);
            for (const auto& line : saved) {
                if (now.find(line + "\n") == std::string::npos)
                    faults.push_back("at step " + std::to_string(steps) + " the table lacks \"" + line + "\"");
            }
            if (auto missing = missingOtherLines(now, appended); !missing.empty())
                faults.push_back("at step " + std::to_string(steps) + " the table lacks the appended line "
                                 + std::to_string(missing.front()) + " (of " + std::to_string(missing.size()) + ")");
        });
        // From here the appender races the agent's replace, as fast as it
        // can, for a few hundred lines (at some 40,000 lines a second
        // without a pause the table would soon be too large to handle).
        appender->append(400);
    }, why);
    if (!gate)
        GTEST_SKIP() << "no fanotify permission events here: " << why;
    appender.emplace(fstab);

    std::mt19937 random(20270127);
    std::vector<std::string> model;
    const char* names[] = {"Data", "Backup", "Media", "Photos"};
    const int requests = 60;
    for (int i = 0; i < requests; ++i) {
        std::string name = names[random() % 4];
        if (random() % 100 < 65) {
            AnswerCollector::request("add," + name);
            model.push_back(entry(name));
        } else {
            AnswerCollector::request("remove," + name);
            if (auto found = std::find(model.begin(), model.end(), entry(name)); found != model.end())
                model.erase(found);
        }
        ASSERT_TRUE(m_answers.waitFor(static_cast<size_t>(i) + 1)) << "request " << i << " was not answered";
    }
    appender->stop();
    gate.reset();
    size_t appended = appender->count();

    std::string table = readFile(fstab);
    std::vector<std::string> lines = Text::split(table, '\n');
    std::printf("%zu lines appended and %zu editor saves during %d requests (%zu steps held)\n", appended,
                saved.size(), requests, steps);
    EXPECT_THAT(faults, ::testing::IsEmpty());
    EXPECT_THAT(missingOtherLines(table, appended), ::testing::IsEmpty()) << "appended lines lost or doubled";
    for (const auto& line : saved)
        EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "# kept"), 1);
    std::vector<std::string> entries;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(entries),
                 [](const std::string& line) { return line.starts_with("LABEL="); });
    EXPECT_EQ(entries, model) << "the agent's own entries, in order";
    std::vector<std::string> others;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(others), [&](const std::string& line) {
        return line != "# kept" && !line.starts_with("LABEL=") && !line.starts_with("UUID=")
            && std::find(saved.begin(), saved.end(), line) == saved.end();
    });
    EXPECT_THAT(others, ::testing::IsEmpty()) << "nothing else in the table";
    EXPECT_EQ(lines.size(), 1 + saved.size() + appended + model.size()) << "nothing else in the table";
}

TEST_F(AgentAmongOtherWriters, ALineWrittenThroughTheReplacedFileAfterTheReplaceIsKept)
{
    writeFstab("# kept\n", 0644);
    start();
    int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, "/etc", IN_MOVED_TO), 0);
    // A program opened the table to append to it, as `echo ... >> /etc/fstab`
    // does, just before the agent replaced it...
    int held = ::open(fstab, O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(held, 0);
    AnswerCollector::request("add,Data");
    ASSERT_TRUE(movedIntoPlace(watch, "fstab", 20000)) << "the agent did not replace the table";
    ::close(watch);
    // ...and writes only once the agent would be done, had it not waited for it.
    bool answeredBeforeTheWrite = m_answers.waitFor(1, 1);
    const std::string line = otherLine(1);
    std::string text = line + "\n";
    EXPECT_EQ(::write(held, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(held);
    EXPECT_TRUE(m_answers.waitFor(1));
    EXPECT_EQ(readFile(fstab), "# kept\n" + entry("Data") + "\n" + line + "\n")
        << (answeredBeforeTheWrite ? "the agent answered before the line was written" : "");
}
