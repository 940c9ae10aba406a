#include "Platform/Foundation/ProcessEntry.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "Platform/Foundation/FileManager.h"

namespace {

const std::string kProc = "/proc";
const std::string kDeleted = " (deleted)";
// Fields 3 (state) to 22 (starttime) of /proc/PID/stat, counted after the command name.
constexpr int kStartTimeField = 22 - 3;

bool allDigits(const char* text)
{
    if (!*text)
        return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return false;
    }
    return true;
}

}  // namespace

std::optional<ProcessEntry> ProcessEntry::read(pid_t pid)
{
    if (pid <= 0)
        return std::nullopt;
    std::string folder = kProc + "/" + std::to_string(pid);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return std::nullopt;
    auto stat = FileManager::contents(folder + "/stat");
    if (!stat)
        return std::nullopt;
    // The command name may hold spaces and parentheses; it ends at the last ')'.
    auto close = stat->rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(stat->substr(close + 1));
    ProcessEntry entry;
    entry.pid = pid;
    entry.uid = info.st_uid;
    std::string field;
    for (int index = 0; index <= kStartTimeField && fields >> field; ++index) {
        if (index == 0)
            entry.state = field.empty() ? '?' : field[0];
        else if (index == kStartTimeField)
            entry.startTicks = std::strtoull(field.c_str(), nullptr, 10);
    }
    if (!fields)
        return std::nullopt;
    entry.executablePath = executableOf(std::to_string(pid)).value_or("");
    return entry;
}

std::vector<pid_t> ProcessEntry::allProcessIdentifiers()
{
    std::vector<pid_t> pids;
    DIR* dir = ::opendir(kProc.c_str());
    if (!dir)
        return pids;
    while (dirent* entry = ::readdir(dir)) {
        if (allDigits(entry->d_name))
            pids.push_back(static_cast<pid_t>(std::atol(entry->d_name)));
    }
    ::closedir(dir);
    return pids;
}

std::optional<std::string> ProcessEntry::executableOf(const std::string& name)
{
    std::string link = kProc + "/" + name + "/exe";
    std::string target(4096, '\0');
    ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<size_t>(length) >= target.size())
        return std::nullopt;
    target.resize(static_cast<size_t>(length));
    if (target.size() > kDeleted.size() && target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
        target.resize(target.size() - kDeleted.size());
    return target;
}
