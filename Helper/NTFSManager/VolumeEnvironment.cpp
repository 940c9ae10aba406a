#include "Helper/NTFSManager/VolumeEnvironment.h"

#include <cstdlib>

#include "Helper/NTFSManager/MountIntents.h"
#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/SudoPassword.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/FileManager.h"
#include "Shared/SharedData.h"

// The build names the installed tools' folders (the Debian package does).
#ifndef PARVEX_TOOLS_PATH
#define PARVEX_TOOLS_PATH ""
#endif

namespace {
// Notifications come from the settings app's name and icon: its desktop entry.
constexpr const char* kApplicationName = "Parvex";
constexpr const char* kDesktopEntry = "top.kestrova.macOS.Parvex";
}  // namespace

std::shared_ptr<VolumeEnvironment> VolumeEnvironment::standard()
{
    static auto environment = [] {
        const std::string home = FileManager::homeDirectory();
        auto made = std::make_shared<VolumeEnvironment>(VolumeEnvironment{
            SharedData::shared(), DistributedNotificationCenter::defaultCenter(), home, nullptr,
            std::make_shared<MountNotifier>(std::make_shared<NSUserNotificationCenter>(kApplicationName, kDesktopEntry)),
            MountTable(), PARVEX_TOOLS_PATH});
        made->intents = std::make_shared<MountIntents>(MountIntents::standardPath(home));
        return made;
    }();
    return environment;
}

ScriptResult VolumeEnvironment::runScript(const std::string& script, ScriptKind kind, const std::string* password) const
{
    if (scriptObserver)
        scriptObserver(script);
    ScriptInput input;
    if (password)
        input.environment[SudoPassword::variable] = *password;
    if (!toolsPath.empty()) {
        const char* inherited = std::getenv("PATH");
        input.environment["PATH"] = toolsPath + (inherited && *inherited ? std::string(":") + inherited : "");
    }
    switch (kind) {
    case ScriptKind::read:
        input.timeLimit = limits.read;
        input.cutoff = scanCutoff;
        break;
    case ScriptKind::mount:
        input.timeLimit = limits.mount;
        input.cutoff = scanCutoff;
        break;
    case ScriptKind::giveBack:
        input.timeLimit = limits.giveBack;
        input.cutoff = quitCutoff;
        break;
    }
    return Script::run("/bin/zsh", std::nullopt, {script}, input);
}

void VolumeEnvironment::beginQuit()
{
    const auto now = ProcessDeadline::Clock::now();
    quitCutoff->bringForward(now + limits.quit);
    scanCutoff->bringForward(now);
}
