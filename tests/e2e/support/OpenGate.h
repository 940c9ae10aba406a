#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Stops one process at an exact step: each time it opens a file in `folder`
// whose name starts with `prefix` (the kernel's fanotify permission events),
// the open waits until `step` has run. Opens by anyone else in the folder go
// on at once, served by a thread of the gate's own, so `step` may read and
// write files there. Needs root.
class OpenGate {
public:
    struct Opened {
        std::string name;
        off_t size = 0;
    };
    // `step` hears which file is being opened, on a thread of its own.
    using Step = std::function<void(const Opened& file)>;

    // Null, with the reason in `why`, where fanotify's permission events are missing.
    static std::unique_ptr<OpenGate> install(const std::string& folder, pid_t process, std::string prefix, Step step,
                                             std::string& why);
    // Lets every waiting open go.
    ~OpenGate();
    OpenGate(const OpenGate&) = delete;
    OpenGate& operator=(const OpenGate&) = delete;

    // How many opens were held.
    size_t held() const;

private:
    OpenGate(int fanotify, int wake, pid_t process, std::string prefix, Step step);
    void serve();
    void runSteps();
    void allow(int fd) const;

    int m_fanotify = -1;
    int m_wake = -1;
    pid_t m_process = 0;
    std::string m_prefix;
    Step m_step;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<int> m_waiting;
    size_t m_held = 0;
    bool m_stopping = false;
    std::thread m_server;
    std::thread m_stepper;
};
