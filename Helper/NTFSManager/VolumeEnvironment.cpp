#include "Helper/NTFSManager/VolumeEnvironment.h"

#include "Helper/NTFSManager/SudoPassword.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/FileManager.h"
#include "Shared/SharedData.h"

std::shared_ptr<VolumeEnvironment> VolumeEnvironment::standard()
{
    static auto environment = std::make_shared<VolumeEnvironment>(VolumeEnvironment{
        SharedData::shared(), DistributedNotificationCenter::defaultCenter(), FileManager::homeDirectory(), nullptr});
    return environment;
}

ScriptResult VolumeEnvironment::runScript(const std::string& script, const std::string* password) const
{
    if (scriptObserver)
        scriptObserver(script);
    ScriptInput input;
    if (password)
        input.environment[SudoPassword::variable] = *password;
    return Script::run("/bin/zsh", std::nullopt, {script}, input);
}
