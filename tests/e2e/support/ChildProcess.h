#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The real programs as the tests start them.
constexpr const char* kAgentPath = PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LaunchServices/top.kestrova.macOS.Parvex.Agent";
constexpr const char* kAgentLog = "/tmp/ntfs_cmd.txt";
constexpr const char* kMenuAppPath =
    PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu";
constexpr const char* kMenuLog = "/Users/tamsel/Parvex.txt";

// A program started by a test and killed, if still running, when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> arguments, const std::string& outputPath = "/dev/null");
    ~ChildProcess();

    pid_t pid() const { return m_pid; }
    bool isRunning();
    // Sends `signal` and waits for the child; returns its wait status.
    int stop(int signal);
    // Asks it to quit (SIGTERM) as the system does and waits up to `seconds`
    // for its terminate sequence; then kills it. The wait status, or -1 if killed.
    int quit(double seconds = 60);

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_status = 0;
};

// The real agent, started afresh and running; null if it did not start.
// Whatever is at its log path is removed first unless `keepLogPath`.
std::unique_ptr<ChildProcess> startAgent(bool keepLogPath = false);

// Runs a command to its end; returns its exit status (or -1).
int runCommand(const std::vector<std::string>& arguments);

// The file's bytes; empty when it is missing or no regular file.
std::string readFile(const std::string& path);
// Polls `done` (every 10 ms) until it holds or `seconds` pass.
bool waitUntil(const std::function<bool()>& done, double seconds = 30);
bool waitForFileContaining(const std::string& path, const std::string& text, double seconds);
