#include "App/UpdateAnnouncer.h"

UpdateAnnouncer::UpdateAnnouncer(std::string applicationName, Log log,
                                 std::shared_ptr<NSUserNotificationCenter> center)
    : SPUStandardUserDriver(std::move(applicationName), std::move(log))
    , m_center(std::move(center))
{
}

NSUserNotification UpdateAnnouncer::notification(const std::string& applicationName, const SUAppcastItem& item,
                                                 const std::string& currentVersion)
{
    return {applicationName + " 有新版本：" + item.displayVersionString,
            "新版本可以下载了。现在使用的是 " + currentVersion + "。"};
}

void UpdateAnnouncer::showUpdateFound(const SUAppcastItem& item, const std::string& currentVersion)
{
    SPUStandardUserDriver::showUpdateFound(item, currentVersion);
    if (!m_center)
        return;
    m_center->deliverNotification(notification(applicationName(), item, currentVersion),
                                  [log = log()](const Expected<unsigned>& shown) {
                                      if (!shown)
                                          log("The new version could not be announced on the desktop: "
                                              + shown.error().description);
                                  });
}
