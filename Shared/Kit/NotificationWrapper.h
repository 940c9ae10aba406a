#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Notification.h"

// The utility kit's shared in-process notification wrapper. Observers register
// blocks under their own address; removing an observer drops all its blocks,
// and removing one that never registered does nothing. Posts are delivered at
// once, on the posting thread. Main thread only.
class NotificationWrapper {
public:
    using Block = std::function<void(const Notification&)>;

    static NotificationWrapper& shared();

    void addObserver(const void* observer, const std::string& name, Block block);
    void post(const std::string& name, std::optional<PropertyListValue> object = std::nullopt);
    void removeObserver(const void* observer);
    bool isObserving(const void* observer) const;

private:
    struct Registration {
        const void* observer;
        std::string name;
        Block block;
    };
    std::vector<Registration> m_registrations;
};
