#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Helper/Script.h"
#include "Platform/Foundation/MountTable.h"

class DistributedNotificationCenter;
class MountNotifier;
class SharedData;

// What the volume code reaches outside itself: the settings, the agent's
// notification center, the user's home, the shell and the mount table. The
// app uses the real ones; tests hand in their own.
struct VolumeEnvironment {
    SharedData& settings;
    DistributedNotificationCenter& notify;
    std::string homeDirectory;
    // Sees every script text before it runs; tests compare them.
    std::function<void(const std::string&)> scriptObserver = nullptr;
    // Tells the user what became of automatic mounts; none in most tests.
    std::shared_ptr<MountNotifier> notifier = nullptr;
    // What is mounted where, as the kernel has it: the judge of every mount.
    MountTable mounts = MountTable();
    // Folders searched for the scripts' commands before the PATH the app was
    // started with, so an installed Parvex reaches its own `diskutil` and
    // `open` whatever PATH the desktop gives it; empty: that PATH alone.
    std::string toolsPath = "";

    static std::shared_ptr<VolumeEnvironment> standard();

    // Runs a whole script through "/bin/zsh"; `password` reaches `sudo -S`
    // through the shell's environment, never through an argument list.
    ScriptResult runScript(const std::string& script, const std::string* password = nullptr) const;
};
