#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Platform/Foundation/Expected.h"

typedef struct _GDBusConnection GDBusConnection;

// One short message for the user, shown by the desktop outside any window.
struct NSUserNotification {
    std::string title;
    std::string informativeText;
    // A button on the notification; none when empty. Clicking it (or the
    // notification itself) reaches the centre's activation handler.
    std::string actionButtonTitle;
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
    // On the main thread of a program about to end, whose run loop turns no
    // more: asks the daemon at once and waits for its answer, at most
    // `patience`, running nothing else of the program meanwhile.
    virtual Expected<unsigned> deliverNotificationNow(const NSUserNotification& notification,
                                                      std::chrono::milliseconds patience);

    // What runs, on the main thread, when the user clicks a delivered
    // notification that has an action button.
    using ActivationHandler = std::function<void(const NSUserNotification& notification)>;
    void setActivationHandler(ActivationHandler handler);

private:
    void deliverOnMainThread(const NSUserNotification& notification, Completion completion);
    void delivered(unsigned id, const NSUserNotification& notification);
    void listenForClicks();
    void actionInvoked(unsigned id);

    std::string m_applicationName;
    std::string m_desktopEntry;
    GDBusConnection* m_bus = nullptr;
    unsigned m_clicks = 0;
    ActivationHandler m_activation;
    // The daemon's ids of delivered notifications with a button, until closed.
    std::map<unsigned, NSUserNotification> m_withButton;
    // Outlives this object for replies still on their way.
    std::shared_ptr<NSUserNotificationCenter*> m_self = std::make_shared<NSUserNotificationCenter*>(this);
};
