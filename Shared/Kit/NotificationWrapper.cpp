#include "Shared/Kit/NotificationWrapper.h"

#include <algorithm>

NotificationWrapper& NotificationWrapper::shared()
{
    static NotificationWrapper* wrapper = new NotificationWrapper;
    return *wrapper;
}

void NotificationWrapper::addObserver(const void* observer, const std::string& name, Block block)
{
    m_registrations.push_back({observer, name, std::move(block)});
}

void NotificationWrapper::post(const std::string& name, std::optional<PropertyListValue> object)
{
    Notification notification{name, std::move(object)};
    // A block may remove observers: deliver to those registered at the post
    // that are still registered when their turn comes.
    auto registrations = m_registrations;
    for (const auto& registration : registrations) {
        bool stillThere = std::any_of(m_registrations.begin(), m_registrations.end(), [&](const Registration& current) {
            return current.observer == registration.observer && current.name == registration.name;
        });
        if (registration.name == name && stillThere)
            registration.block(notification);
    }
}

void NotificationWrapper::removeObserver(const void* observer)
{
    std::erase_if(m_registrations, [observer](const Registration& registration) { return registration.observer == observer; });
}

bool NotificationWrapper::isObserving(const void* observer) const
{
    return std::any_of(m_registrations.begin(), m_registrations.end(),
                       [observer](const Registration& registration) { return registration.observer == observer; });
}
