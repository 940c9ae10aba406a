#include "Tools/Common/SudoRelay.h"

#include "Tools/Common/ProcessRunner.h"

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
    std::vector<std::string> query { m_sudo, "-n", "-l", m_executable };
    query.insert(query.end(), arguments.begin(), arguments.end());
    return ProcessRunner::run(query).exitCode == 0;
}

void SudoRelay::replaceProcess(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> words = command(arguments);
    execvp(words[0].c_str(), ProcessRunner::argumentVector(words).data());
}

std::string SudoRelay::ownExecutable()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}
