#include "Tools/open/Opener.h"

#include "Platform/Foundation/DetachedProcess.h"
#include "Platform/Foundation/Text.h"

#include <sys/stat.h>
#include <unistd.h>

namespace Tools {

Opener::Opener(std::string workingDirectory, Environment environment)
    : m_workingDirectory(std::move(workingDirectory))
    , m_environment(environment)
{
}

std::string Opener::missingMessage(const std::string& absolutePath)
{
    return "The file " + absolutePath + " does not exist.";
}

std::string Opener::absolute(const std::string& path) const
{
    if (path.starts_with("/"))
        return path;
    return m_workingDirectory + (m_workingDirectory.ends_with("/") ? "" : "/") + path;
}

bool Opener::hasDesktopSession() const
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY" }) {
        auto value = m_environment(name);
        if (value && !value->empty())
            return true;
    }
    return false;
}

std::optional<std::string> Opener::programOnPath(const std::string& name) const
{
    for (const auto& folder : Text::split(m_environment("PATH").value_or("/usr/bin:/bin"), ':')) {
        std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

int Opener::run(const std::vector<std::string>& arguments, std::ostream& err)
{
    std::vector<std::string> paths;
    for (const auto& argument : arguments) {
        // The original's flags (-R, -a ...) choose how to show; here the file browser always does.
        if (!argument.starts_with("-"))
            paths.push_back(absolute(argument));
    }
    if (paths.empty()) {
        err << "Usage: open <file> ...\n";
        return 1;
    }
    // Like the original, nothing is opened when one of the paths is missing.
    int status = 0;
    for (const auto& path : paths) {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) {
            err << missingMessage(path) << "\n";
            status = 1;
        }
    }
    if (status != 0)
        return status;
    if (!hasDesktopSession()) {
        for (const auto& path : paths)
            err << "open: no desktop session to show " << path << " in (neither DISPLAY nor WAYLAND_DISPLAY is set)\n";
        return 1;
    }
    auto xdgOpen = programOnPath("xdg-open");
    for (const auto& path : paths) {
        if (!xdgOpen) {
            err << "open: cannot show " << path << ": xdg-open is not installed\n";
            status = 1;
            continue;
        }
        // Handed over, not awaited: the file browser it starts may stay for
        // as long as the user looks, and must not hold our caller's pipes
        // (ParvexMenu reads this tool's output to its end).
        if (auto started = DetachedProcess::spawn(*xdgOpen, { "xdg-open", path }); !started) {
            err << "open: " << started.error().description << "\n";
            status = 1;
        }
    }
    return status;
}

}
