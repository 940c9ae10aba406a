#include "Tools/Common/SudoRelay.h"

#include "Platform/Foundation/CStringArray.h"
#include "Platform/Foundation/Process.h"

#include <filesystem>
#include <unistd.h>

namespace Tools {

SudoRelay::SudoRelay(std::string executable, std::string sudo)
    : m_executable(std::move(executable))
    , m_sudo(std::move(sudo))
{
}

std::vector<std::string> SudoRelay::command(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> command { m_sudo, "-n", m_executable };
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

bool SudoRelay::permitted(const std::vector<std::string>& arguments) const
{
    if (m_executable.empty() || m_executable[0] != '/')
        return false;
    std::vector<std::string> query { "-n", "-l", m_executable };
    query.insert(query.end(), arguments.begin(), arguments.end());
    auto answer = Process::run({ .launchPath = m_sudo, .arguments = query, .standardInput = "" });
    return answer && answer->exitStatus == 0;
}

void SudoRelay::replaceProcess(const std::vector<std::string>& arguments) const
{
    CStringArray words(command(arguments));
    execvp(words.data()[0], words.data());
}

std::string SudoRelay::ownExecutable()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}
