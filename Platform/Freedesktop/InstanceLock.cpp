#include "Platform/Freedesktop/InstanceLock.h"

#include <cerrno>

InstanceLock::InstanceLock(std::string name, std::string folder)
    : m_path(folder.empty() ? std::string() : folder + "/" + name)
{
}

InstanceLock::Role InstanceLock::claim()
{
    if (m_lock)
        return Role::primary;
    if (m_path.empty()) {
        m_why = "no runtime folder of the user's own (XDG_RUNTIME_DIR) to find another copy by";
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
