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

    std::vector<std::string> titles() const
    {
        std::vector<std::string> titles;
        for (const auto& notification : notifications)
            titles.push_back(notification.title);
        return titles;
    }

    std::vector<NSUserNotification> notifications;
    bool daemonRuns = true;
};
