#include "Platform/Foundation/DetachedProcess.h"

#include "Platform/Foundation/CStringArray.h"

#include <glib.h>
#include <unistd.h>

Expected<pid_t> DetachedProcess::spawn(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::optional<std::map<std::string, std::string>>& environment)
{
    // The file to run, then the whole argument vector.
    std::vector<std::string> fileAndArguments{program};
    if (arguments.empty())
        fileAndArguments.push_back(program);
    fileAndArguments.insert(fileAndArguments.end(), arguments.begin(), arguments.end());
    CStringArray argv(std::move(fileAndArguments));
    std::vector<std::string> entries;
    if (environment) {
        for (const auto& [name, value] : *environment)
            entries.push_back(name + "=" + value);
    }
    CStringArray envp(std::move(entries));

    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program from an
    // intermediate child that exits at once, and returns only after the exec
    // succeeded (or with the reason it failed).
    auto flags = static_cast<GSpawnFlags>(G_SPAWN_STDIN_FROM_DEV_NULL | G_SPAWN_STDOUT_TO_DEV_NULL
                                          | G_SPAWN_STDERR_TO_DEV_NULL | G_SPAWN_FILE_AND_ARGV_ZERO);
    GPid pid = 0;
    GError* failure = nullptr;
    gboolean started = g_spawn_async("/", argv.data(), environment ? envp.data() : nullptr, flags,
                                     [](gpointer) { ::setsid(); }, nullptr, &pid, &failure);
    if (!started) {
        Error error = Error::message("cannot start " + program + ": " + (failure ? failure->message : "unknown error"));
        g_clear_error(&failure);
        return error;
    }
    return pid;
}
