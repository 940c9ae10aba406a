#include "support/SandboxUser.h"

#include <pwd.h>

#include "support/ShellCommand.h"

std::string SandboxUser::create(const std::string& home)
{
    if (::getpwnam(name))
        return {};
    ShellOutput made = runShell("useradd -M -N -d \"$2\" -s /bin/sh -G sudo \"$1\" && printf '%s:%s\\n' \"$1\" \"$3\" | chpasswd",
                                {name, home, password});
    return made.status == 0 ? std::string() : "cannot make the user " + std::string(name) + ": " + made.error;
}

uid_t SandboxUser::uid()
{
    passwd* entry = ::getpwnam(name);
    return entry ? entry->pw_uid : static_cast<uid_t>(-1);
}

gid_t SandboxUser::gid()
{
    passwd* entry = ::getpwnam(name);
    return entry ? entry->pw_gid : static_cast<gid_t>(-1);
}

std::vector<std::string> SandboxUser::command(const std::vector<std::string>& arguments, const std::string& home)
{
    std::vector<std::string> command{"/usr/bin/setpriv", "--reuid=" + std::to_string(uid()),
                                     "--regid=" + std::to_string(gid()), "--init-groups", "/usr/bin/env",
                                     "HOME=" + home};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

bool SandboxUser::own(const std::string& path)
{
    return runShell("chown -R \"$1\": \"$2\"", {name, path}).status == 0;
}
