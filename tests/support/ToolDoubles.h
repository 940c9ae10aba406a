#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Helper/NTFSManager/MountIntents.h"
#include "Helper/NTFSManager/VolumeEnvironment.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Shared/SharedData.h"
#include "support/InProcessNotificationBus.h"
#include "support/TemporaryFolder.h"
#include "support/TestLog.h"

// A scenario for the volume code: fake disk tools first on the shell's PATH
// (tests/doubles/bin), a temporary home, settings in a temporary suite, an
// in-process bus, the mount table the doubles keep, and a log file of its
// own. Records every script text and every tool call.
class ToolDoubles {
public:
    struct Call {
        std::string tool;
        std::vector<std::string> arguments;
    };

    ToolDoubles();
    ~ToolDoubles();

    // What the doubles print.
    void setList(const std::string& text) { write("list", text); }
    void setInfo(const std::string& identifier, const std::string& text) { write("info/" + identifier, text); }
    void setDf(const std::string& text) { write("df", text); }
    void setPassword(const std::string& password);
    // The call `name` ("sudo", "diskutil-umount") waits for ever from now on.
    void hang(const std::string& name) { write("hang/" + name, ""); }
    // The process id of the call `name` that hung, or 0 before it has.
    pid_t hungProcess(const std::string& name) const;
    // What the intent file holds now.
    std::vector<MountIntents::Intent> intents() const;

    std::vector<Call> calls() const;
    std::vector<Call> calls(const std::string& tool) const;
    std::vector<std::string> scripts() const;
    void forget();

    // What the tools print for one volume: "Volume Name:" followed by
    // `alignment` spaces and the name.
    static std::string info(const std::string& name, const std::string& mounted, const std::string& personality,
                            size_t alignment = 15);
    static std::string listing(const std::vector<std::string>& rows);

    const std::string& home() const { return m_home; }
    const std::string& state() const { return m_state; }
    std::shared_ptr<VolumeEnvironment> environment() const { return m_environment; }
    SharedData& settings() { return *m_settings; }
    InProcessNotificationBus& bus() { return *m_bus; }

private:
    void write(const std::string& file, const std::string& text);

    TestLog m_log;
    TemporaryFolder m_root{"doubles"};
    std::string m_state;
    std::string m_home;
    std::string m_oldPath;
    std::shared_ptr<SharedData> m_settings;
    std::shared_ptr<InProcessNotificationBus> m_bus;
    std::unique_ptr<DistributedNotificationCenter> m_center;
    std::shared_ptr<VolumeEnvironment> m_environment;
    mutable std::mutex m_lock;
    std::vector<std::string> m_scripts;
};

// The shared logger's file as it is now.
std::string unitLog();
// Running, not a zombie: an orphan's zombie may stay (no init reaps it here).
bool isRunningProcess(pid_t pid);
