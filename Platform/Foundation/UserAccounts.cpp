#include "Platform/Foundation/UserAccounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

constexpr const char* kAdministratorGroups[] = {"sudo", "wheel", "admin"};

bool getPassword(uid_t uid, passwd& entry, std::vector<char>& buffer)
{
    passwd* found = nullptr;
    buffer.resize(16384);
    return ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found;
}

}  // namespace

bool UserAccounts::isAdministrator(uid_t uid)
{
    if (uid == 0)
        return true;
    if (uid == static_cast<uid_t>(-1))
        return false;
    passwd entry {};
    std::vector<char> buffer;
    if (!getPassword(uid, entry, buffer))
        return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    while (::getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0)
        groups.resize(static_cast<size_t>(count));
    groups.resize(static_cast<size_t>(count));
    // Reentrant lookups: the bus asks from its own thread.
    std::vector<char> groupBuffer(16384);
    for (const char* name : kAdministratorGroups) {
        group entry {};
        group* admin = nullptr;
        int failed;
        while ((failed = ::getgrnam_r(name, &entry, groupBuffer.data(), groupBuffer.size(), &admin)) == ERANGE)
            groupBuffer.resize(groupBuffer.size() * 2);
        if (failed != 0 || !admin)
            continue;
        for (gid_t gid : groups) {
            if (gid == admin->gr_gid)
                return true;
        }
    }
    return false;
}

std::string UserAccounts::userName(uid_t uid)
{
    passwd entry {};
    std::vector<char> buffer;
    return getPassword(uid, entry, buffer) ? std::string(entry.pw_name) : std::to_string(uid);
}

std::optional<std::string> UserAccounts::homeDirectory(uid_t uid)
{
    passwd entry {};
    std::vector<char> buffer;
    if (!getPassword(uid, entry, buffer) || !entry.pw_dir)
        return std::nullopt;
    return std::string(entry.pw_dir);
}
