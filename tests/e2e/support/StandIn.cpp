#include "support/StandIn.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/ChildProcess.h"
#include "support/DiskSandbox.h"

namespace fs = std::filesystem;

namespace {

// Read after the test's own rule (parvex-test), so its path wins.
constexpr const char* kSudoersDropIn = "/etc/sudoers.d/zz-parvex-stand-in";

}  // namespace

StandIn::StandIn(const std::string& tool, const std::string& realTool)
    : m_tool(tool)
{
    fs::create_directories(folder);
    const std::string dir = folder;
    ::mkfifo((dir + "/" + tool + ".never").c_str(), 0600);
    std::ofstream script(dir + "/" + tool);
    script << "#!/bin/sh\n"
           << "# Stands in for " << tool << ": the first call waits here until it is killed.\n"
           << "dir='" << dir << "'\n";
    if (!realTool.empty())
        script << "if mkdir \"$dir/" << tool << ".first\" 2>/dev/null; then\n";
    script << "  echo $$ > \"$dir/" << tool << ".reached.next\" && mv \"$dir/" << tool << ".reached.next\" \"$dir/"
           << tool << ".reached\"\n"
           << "  read never < \"$dir/" << tool << ".never\"\n"
           << "  exit 1\n";
    if (!realTool.empty())
        script << "fi\nexec '" << realTool << "' \"$@\"\n";
    script.close();
    fs::permissions(dir + "/" + tool, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                          | fs::perms::others_read | fs::perms::others_exec);

    const char* path = ::getenv("PATH");
    m_oldPath = path ? path : "";
    ::setenv("PATH", (dir + ":" + m_oldPath).c_str(), 1);
    std::ofstream(kSudoersDropIn) << "Defaults secure_path=\"" << dir << ":" << DiskSandbox::toolsDirectory
                                  << ":/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin\"\n";
    fs::permissions(kSudoersDropIn, fs::perms::owner_read | fs::perms::group_read);
}

StandIn::~StandIn()
{
    ::setenv("PATH", m_oldPath.c_str(), 1);
    fs::remove(kSudoersDropIn);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

pid_t StandIn::waitUntilReached(double seconds) const
{
    const std::string reached = std::string(folder) + "/" + m_tool + ".reached";
    if (!waitUntil([&] { return fs::exists(reached); }, seconds))
        return 0;
    return static_cast<pid_t>(std::atol(readFile(reached).c_str()));
}
