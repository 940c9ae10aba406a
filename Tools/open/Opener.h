#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Tools {

// `open PATH...`: shows folders and files in the desktop's file browser,
// through xdg-open started in a session of its own with its standard streams
// on /dev/null; returns as soon as it runs.
class Opener {
public:
    // `environment` looks a variable up; the program passes getenv.
    using Environment = std::optional<std::string> (*)(const char* name);

    Opener(std::string workingDirectory, Environment environment);

    int run(const std::vector<std::string>& arguments, std::ostream& err);

    // "The file /Volumes/X does not exist."
    static std::string missingMessage(const std::string& absolutePath);
    std::string absolute(const std::string& path) const;
    bool hasDesktopSession() const;
    // The executable `name` in a folder of PATH.
    std::optional<std::string> programOnPath(const std::string& name) const;

private:
    std::string m_workingDirectory;
    Environment m_environment;
};

}
