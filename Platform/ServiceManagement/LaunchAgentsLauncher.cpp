#include "Platform/ServiceManagement/LaunchAgentsLauncher.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "Platform/Foundation/DetachedProcess.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/ServiceManagement/ExecutableProcesses.h"

namespace {

bool flag(const PropertyListValue::Dictionary& job, const std::string& key)
{
    const PropertyListValue* value = PropertyListValue::valueForKey(job, key);
    return value && value->boolean().value_or(false);
}

// A desktop session is what launchd calls an Aqua session.
bool loadsInDesktopSession(const PropertyListValue::Dictionary& job)
{
    const PropertyListValue* limit = PropertyListValue::valueForKey(job, "LimitLoadToSessionType");
    if (!limit)
        return true;
    if (const std::string* single = limit->string())
        return *single == "Aqua";
    if (const auto* list = limit->array())
        return std::any_of(list->begin(), list->end(), [](const PropertyListValue& item) {
            return item.string() && *item.string() == "Aqua";
        });
    return false;
}

std::vector<std::string> listFiles(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 6 && name[0] != '.' && name.compare(name.size() - 6, 6, ".plist") == 0)
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

LaunchAgentsLauncher::LaunchAgentsLauncher(std::string folder, uid_t user)
    : m_folder(std::move(folder))
    , m_user(user)
{
}

std::optional<LaunchAgentsLauncher::Command> LaunchAgentsLauncher::commandAtLoad(const PropertyListValue::Dictionary& job)
{
    if (flag(job, "Disabled") || !(flag(job, "RunAtLoad") || flag(job, "KeepAlive")) || !loadsInDesktopSession(job))
        return std::nullopt;
    Command command;
    if (const PropertyListValue* arguments = PropertyListValue::valueForKey(job, "ProgramArguments"); arguments && arguments->array()) {
        for (const auto& argument : *arguments->array()) {
            if (!argument.string())
                return std::nullopt;
            command.arguments.push_back(*argument.string());
        }
    }
    // "Program" names the file to run; without it the first of
    // "ProgramArguments" does. The arguments are the whole vector, the
    // program's own name included.
    if (const PropertyListValue* program = PropertyListValue::valueForKey(job, "Program"); program && program->string())
        command.program = *program->string();
    else if (!command.arguments.empty())
        command.program = command.arguments.front();
    if (command.program.empty() || command.program[0] != '/')
        return std::nullopt;
    if (command.arguments.empty())
        command.arguments.push_back(command.program);
    return command;
}

std::vector<LaunchAgentsLauncher::Launch> LaunchAgentsLauncher::launchAll() const
{
    std::vector<Launch> launches;
    for (const auto& name : listFiles(m_folder)) {
        std::string path = m_folder + "/" + name;
        if (!trusted(path))
            continue;
        auto job = PropertyListSerialization::dictionaryAtPath(path);
        if (!job)
            continue;
        auto command = commandAtLoad(*job);
        if (!command)
            continue;
        Launch launch{path, *command};
        if (!ExecutableProcesses::find(command->program, m_user).empty())
            launch.alreadyRunning = true;
        else if (auto started = DetachedProcess::spawn(command->program, command->arguments))
            launch.pid = *started;
        else
            launch.error = started.error().description;
        launches.push_back(std::move(launch));
    }
    return launches;
}

bool LaunchAgentsLauncher::trusted(const std::string& path) const
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    return (info.st_uid == 0 || info.st_uid == m_user) && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}
