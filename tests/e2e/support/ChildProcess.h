#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A program started by a test and stopped when the test ends.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> arguments, const std::string& outputPath = "/dev/null");
    ~ChildProcess();

    pid_t pid() const { return m_pid; }
    bool isRunning();
    // Sends `signal` and waits for the child; returns its wait status.
    int stop(int signal);

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_status = 0;
};

// Runs a command to its end; returns its exit status (or -1).
int runCommand(const std::vector<std::string>& arguments);
std::string readFile(const std::string& path);
bool waitForFileContaining(const std::string& path, const std::string& text, double seconds);
