#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/Foundation/Expected.h"

typedef struct _GDBusConnection GDBusConnection;

// One short message for the user, shown by the desktop outside any window.
struct NSUserNotification {
    std::string title;
    std::string informativeText;
};

// Shows notifications through the desktop's notification daemon
// (org.freedesktop.Notifications on the session bus). Where none runs,
// delivering fails and says why; nothing else happens.
class NSUserNotificationCenter {
public:
    // What became of one notification, on the main thread: the daemon's id for it.
    using Completion = std::function<void(const Expected<unsigned>& shown)>;

    // `applicationName` heads the notifications; `desktopEntry` (a desktop
    // file's name without ".desktop") lends them its icon.
    NSUserNotificationCenter(std::string applicationName, std::string desktopEntry);
    virtual ~NSUserNotificationCenter();
    NSUserNotificationCenter(const NSUserNotificationCenter&) = delete;
    NSUserNotificationCenter& operator=(const NSUserNotificationCenter&) = delete;

    // From any thread; the daemon is asked from the main run loop.
    virtual void deliverNotification(NSUserNotification notification, Completion completion = nullptr);

private:
    void deliverOnMainThread(const NSUserNotification& notification, Completion completion);

    std::string m_applicationName;
    std::string m_desktopEntry;
    GDBusConnection* m_bus = nullptr;
    // Outlives this object for replies still on their way.
    std::shared_ptr<NSUserNotificationCenter*> m_self = std::make_shared<NSUserNotificationCenter*>(this);
};
