#include "Platform/ServiceManagement/DetachedProcess.h"

#include <glib.h>
#include <unistd.h>

std::optional<pid_t> DetachedProcess::spawn(const std::string& program, const std::vector<std::string>& arguments,
                                            const std::optional<std::map<std::string, std::string>>& environment,
                                            std::string* error)
{
    std::vector<std::string> argumentStorage = arguments.empty() ? std::vector<std::string>{program} : arguments;
    std::vector<char*> argv;
    for (auto& argument : argumentStorage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<std::string> environmentStorage;
    std::vector<char*> envp;
    if (environment) {
        for (const auto& [name, value] : *environment)
            environmentStorage.push_back(name + "=" + value);
        for (auto& entry : environmentStorage)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
    }

    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program from an
    // intermediate child that exits at once, and returns only after the exec
    // succeeded (or with the reason it failed).
    auto flags = static_cast<GSpawnFlags>(G_SPAWN_STDIN_FROM_DEV_NULL | G_SPAWN_STDOUT_TO_DEV_NULL
                                          | G_SPAWN_STDERR_TO_DEV_NULL | G_SPAWN_FILE_AND_ARGV_ZERO);
    std::vector<char*> fileAndArgv;
    std::string programStorage = program;
    fileAndArgv.push_back(programStorage.data());
    fileAndArgv.insert(fileAndArgv.end(), argv.begin(), argv.end());
    GPid pid = 0;
    GError* failure = nullptr;
    gboolean started = g_spawn_async("/", fileAndArgv.data(), environment ? envp.data() : nullptr, flags,
                                     [](gpointer) { ::setsid(); }, nullptr, &pid, &failure);
    if (!started) {
        if (error)
            *error = failure ? failure->message : "cannot start " + program;
        g_clear_error(&failure);
        return std::nullopt;
    }
    return pid;
}
