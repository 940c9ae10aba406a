#pragma once

#include <string>
#include <vector>

namespace Tools {

struct ProcessResult {
    int exitCode = -1;       // -1 when it could not start or died of a signal
    std::string output;
    std::string error;
};

// Runs a helper program and waits for it. Its output goes to anonymous files
// rather than pipes (so not Foundation's Process, which drains pipes):
// ntfs-3g leaves a daemon behind, and a daemon holding a pipe open would make
// us wait for it forever.
class ProcessRunner {
public:
    // The NULL-ended argv of `arguments`, pointing into them.
    static std::vector<char*> argumentVector(const std::vector<std::string>& arguments);

    static ProcessResult run(const std::vector<std::string>& arguments);
};

}
