#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

// The real menu-bar app, started as the login session would start it, and
// quit (ChildProcess::quit) at the latest when the object goes.
class MenuApp {
public:
    static constexpr const char* executable = kMenuAppPath;

    static bool isBuilt();

    // `launcher` comes before the program: a command that runs it as a user, say.
    explicit MenuApp(const std::vector<std::string>& launcher = {});
    ~MenuApp() { quit(30); }

    pid_t pid() const { return m_process.pid(); }
    bool isRunning() { return m_process.isRunning(); }
    int stop(int signal) { return m_process.stop(signal); }
    int quit(double seconds = 60) { return m_process.quit(seconds); }

    // Its log file as it is now.
    static std::string log() { return readFile(kMenuLog); }

private:
    ChildProcess m_process;
};
