#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/Expected.h"

class NSRunningApplication;

// Running applications and launching them, on /proc and plain processes.
class NSWorkspace {
public:
    static NSWorkspace& shared();

    // This user's processes whose executable sits in an application bundle
    // (X.app/Contents/MacOS/<name>), in launch order: the latest last.
    std::vector<std::shared_ptr<NSRunningApplication>> runningApplications() const;

    // Starts the bundle's executable detached (as DetachedProcess does), unless
    // that application already runs: then the running instance is the answer
    // and nothing is started. Fails when the path is no bundle with an
    // executable or the start failed.
    Expected<std::shared_ptr<NSRunningApplication>> launchApplication(const std::string& path,
                                                                      const std::vector<std::string>& arguments = {});
};
