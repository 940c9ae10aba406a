#pragma once

#include <memory>
#include <string>

class ChildProcess;

// The real menu-bar app, started as the login session would start it.
class MenuApp {
public:
    static constexpr const char* executable =
        PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu";

    static bool isBuilt();

    MenuApp();
    ~MenuApp();

    bool isRunning();
    // Quits as the system does (SIGTERM) and waits up to `seconds` for the
    // terminate sequence; then kills it. The wait status, or -1 if it was killed.
    int quit(double seconds = 60);

    // Its log file as it is now.
    static std::string log();

private:
    std::unique_ptr<ChildProcess> m_process;
};
