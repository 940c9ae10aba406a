#include "Helper/NTFSManager/VolumeEnvironment.h"

#include <cstdlib>

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
    static auto environment = std::make_shared<VolumeEnvironment>(VolumeEnvironment{
        SharedData::shared(), DistributedNotificationCenter::defaultCenter(), FileManager::homeDirectory(), nullptr,
        std::make_shared<MountNotifier>(std::make_shared<NSUserNotificationCenter>(kApplicationName, kDesktopEntry)),
        MountTable(), PARVEX_TOOLS_PATH});
    return environment;
}

ScriptResult VolumeEnvironment::runScript(const std::string& script, const std::string* password) const
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
    return Script::run("/bin/zsh", std::nullopt, {script}, input);
}
