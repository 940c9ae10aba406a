#include "Tools/Common/ProcessRunner.h"

#include "Platform/Foundation/Expected.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Tools {

namespace {

std::string readAll(int fd)
{
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t count;
    while ((count = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(count));
    return text;
}

}

std::vector<char*> ProcessRunner::argumentVector(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

ProcessResult ProcessRunner::run(const std::vector<std::string>& arguments)
{
    ProcessResult result;
    int outputFd = memfd_create("output", MFD_CLOEXEC);
    int errorFd = memfd_create("error", MFD_CLOEXEC);
    if (outputFd < 0 || errorFd < 0) {
        result.error = Error::system(errno, "cannot capture output").description;
        if (outputFd >= 0)
            close(outputFd);
        if (errorFd >= 0)
            close(errorFd);
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);

    std::vector<char*> argv = argumentVector(arguments);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.error = arguments[0] + ": " + std::strerror(spawned);
    } else {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        if (WIFEXITED(status))
            result.exitCode = WEXITSTATUS(status);
        result.output = readAll(outputFd);
        result.error = readAll(errorFd);
    }
    close(outputFd);
    close(errorFd);
    return result;
}

}
