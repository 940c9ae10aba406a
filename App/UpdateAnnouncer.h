#pragma once

#include <memory>
#include <string>

#include "Platform/Foundation/NSUserNotificationCenter.h"
#include "Platform/Sparkle/SPUStandardUserDriver.h"

// The settings app's update driver. Every outcome is a line of the log, as
// without a desktop; a newer version is also told to the user in a desktop
// notification, since the check runs in the background where nobody reads
// the log.
class UpdateAnnouncer : public SPUStandardUserDriver {
public:
    UpdateAnnouncer(std::string applicationName, Log log, std::shared_ptr<NSUserNotificationCenter> center);

    void showUpdateFound(const SUAppcastItem& item, const std::string& currentVersion) override;

    static NSUserNotification notification(const std::string& applicationName, const SUAppcastItem& item,
                                           const std::string& currentVersion);

private:
    std::shared_ptr<NSUserNotificationCenter> m_center;
};
