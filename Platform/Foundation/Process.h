#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/ProcessDeadline.h"

// What to start and what to hand it. The child always gets standard output and
// standard error of its own, which come back in the result; everything else is
// inherited unless set here.
struct ProcessOptions {
    // A name without a slash is looked up on this process's PATH, not on a
    // PATH given in `environment`, which is the child's alone.
    std::string launchPath;
    // The child's arguments after its name (it sees `launchPath` as argv[0]).
    std::vector<std::string> arguments;
    // Working directory of the child; absent means the caller's.
    std::optional<std::string> currentDirectory;
    // Added to (or replacing entries of) the inherited environment.
    std::map<std::string, std::string> environment;
    // Bytes written to the child's standard input, which is then closed; absent
    // means the child shares the caller's standard input.
    std::optional<std::string> standardInput;
    // A child with a time limit runs in a process group of its own, and when
    // the limit (or `cutoff`, whichever comes first) is reached the whole
    // group is killed: whatever it still waits for (a password, a device)
    // ends with it. What the group printed until then is returned.
    std::optional<std::chrono::milliseconds> timeLimit;
    std::shared_ptr<const ProcessDeadline> cutoff;
    // The child writes its output into anonymous files, read once it has
    // exited, instead of pipes, read until every holder has closed them: a
    // child that leaves a daemon behind (ntfs-3g) would keep a pipe open, and
    // us waiting, for as long as the daemon runs.
    bool outputInFiles = false;
};

// What the child left behind. Outputs are raw bytes, exactly as written.
struct ProcessResult {
    std::string standardOutput;
    std::string standardError;
    // The exit code of a child that exited, -1 otherwise.
    int exitStatus = -1;
    // The signal that ended the child, 0 if it exited.
    int terminationSignal = 0;
    // Its time ran out and its process group was killed.
    bool timedOut = false;

    // What the child said on standard error, without the line ends and blanks at its end.
    std::string trimmedStandardError() const;
};

// Runs one child process to completion (a stand-in for Foundation's Process).
class Process {
public:
    // Starts the child, feeds its standard input while draining both of its
    // output streams, and returns once both streams are closed (output in
    // files: once the child has exited) and the child is reaped; fails only
    // when the child could not be started. Blocks the
    // calling thread; keeps no shared state. A child out of time is reaped
    // once killed; a descendant that left its group, or that we may not kill
    // (a program run as root through sudo), is not waited for after that.
    static Expected<ProcessResult> run(const ProcessOptions& options);
};
