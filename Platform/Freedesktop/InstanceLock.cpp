#include "Platform/Freedesktop/InstanceLock.h"

#include <cerrno>
#include <cstdlib>

InstanceLock::InstanceLock(std::string name, std::string folder)
    : m_path(folder.empty() ? std::string() : folder + "/" + name)
{
}

InstanceLock::Role InstanceLock::claim()
{
    if (m_lock)
        return Role::primary;
    if (m_path.empty()) {
        m_why = "no runtime folder (XDG_RUNTIME_DIR) to find another copy by";
        return Role::alone;
    }
    auto lock = FileLock::tryLock(m_path);
    if (lock) {
        m_lock.emplace(std::move(*lock));
        return Role::primary;
    }
    if (lock.error().code == EWOULDBLOCK)
        return Role::secondary;
    m_why = lock.error().description;
    return Role::alone;
}

std::string InstanceLock::runtimeFolder()
{
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    return folder && *folder == '/' ? std::string(folder) : std::string();
}
