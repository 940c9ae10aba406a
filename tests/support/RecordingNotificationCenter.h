#pragma once

#include <string>
#include <vector>

#include "Platform/Foundation/NSUserNotificationCenter.h"

// Keeps what would have gone to the notification daemon, and answers as a
// daemon would, or as none running.
class RecordingNotificationCenter : public NSUserNotificationCenter {
public:
    RecordingNotificationCenter() : NSUserNotificationCenter("Parvex", "top.kestrova.macOS.Parvex") {}

    void deliverNotification(NSUserNotification notification, Completion completion) override
    {
        notifications.push_back(notification);
        if (completion)
            completion(daemonRuns ? Expected<unsigned>(unsigned(notifications.size()))
                                  : Expected<unsigned>(Error::message("no notification daemon on the session bus")));
    }

    Expected<unsigned> deliverNotificationNow(const NSUserNotification& notification,
                                              std::chrono::milliseconds) override
    {
        ++deliveredNow;
        Expected<unsigned> shown = Error::message("no notification daemon on the session bus");
        deliverNotification(notification, [&](const Expected<unsigned>& outcome) { shown = outcome; });
        return shown;
    }

    std::vector<std::string> titles() const
    {
        std::vector<std::string> titles;
        for (const auto& notification : notifications)
            titles.push_back(notification.title);
        return titles;
    }

    std::vector<NSUserNotification> notifications;
    bool daemonRuns = true;
    // How many were delivered waiting for the daemon, as a program does at its end.
    size_t deliveredNow = 0;
};
