#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Helper/Script.h"
#include "Platform/Foundation/MountTable.h"
#include "Platform/Foundation/ProcessDeadline.h"

class DistributedNotificationCenter;
class MountIntents;
class MountNotifier;
class SharedData;

// What a script does, which sets how long it may wait.
enum class ScriptKind {
    // The scan's listings and a folder opened: short.
    read,
    // Taking the system's mount away and mounting on the desktop: time for
    // sudo's authentication and a slow disk. Pointless once the program
    // quits, so it ends at once then, and so do reads.
    mount,
    // Unmounting and giving the volume back to the system (eject, quit, the
    // agent's answer): time for a slow disk, and at quit what is left of the
    // quit's own limit.
    giveBack,
};

// How long scripts may run before their whole process group is ended.
struct ScriptLimits {
    std::chrono::milliseconds read{std::chrono::seconds(10)};
    std::chrono::milliseconds mount{std::chrono::seconds(30)};
    std::chrono::milliseconds giveBack{std::chrono::seconds(30)};
    // From the quit's start to its end, every volume given back: short
    // enough that a logout does not wait on it.
    std::chrono::milliseconds quit{std::chrono::seconds(8)};
};

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
    // The steps under way that take a mount away; none kept in most tests.
    std::shared_ptr<MountIntents> intents = nullptr;
    ScriptLimits limits = ScriptLimits();
    // Brought forward when the program quits: the first ends the scan's
    // scripts, the second every other.
    std::shared_ptr<ProcessDeadline> scanCutoff = std::make_shared<ProcessDeadline>();
    std::shared_ptr<ProcessDeadline> quitCutoff = std::make_shared<ProcessDeadline>();

    static std::shared_ptr<VolumeEnvironment> standard();

    // Runs a whole script through "/bin/zsh" within the limit of its kind;
    // `password` reaches `sudo -S` through the shell's environment, never
    // through an argument list.
    ScriptResult runScript(const std::string& script, ScriptKind kind, const std::string* password = nullptr) const;

    // The program quits: mounts and reads end now, the rest within the quit's limit.
    void beginQuit();
    bool isQuitting() const { return scanCutoff->hasPassed(); }
};
