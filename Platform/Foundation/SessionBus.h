#pragma once

#include "Platform/Foundation/Expected.h"

typedef struct _GDBusConnection GDBusConnection;

// The user's session bus, where the desktop's services answer: the panel,
// the settings portal, the notification daemon, another copy of a program.
// GIO keeps one connection to it for the whole process; every part of ours
// that talks there asks for it here.
class SessionBus {
public:
    // A reference of the caller's own (let go with g_object_unref), or why
    // there is none: "no session bus: <reason>". A session without a bus
    // (no DBUS_SESSION_BUS_ADDRESS, no bus in the runtime folder) is one.
    static Expected<GDBusConnection*> connection();
};
