#pragma once

#include <functional>
#include <string>

#include "Platform/Foundation/Expected.h"

typedef struct _GApplication GApplication;

// One running copy of an application per user session, as the original
// platform keeps it: the first start owns the application's identifier on
// the session bus (GApplication); a later start asks that one to open again
// (the desktop's reopen) and is then expected to leave.
class ApplicationInstance {
public:
    enum class Role {
        // This is the one: later starts will call `reopened`.
        primary,
        // Another copy runs and has been asked to open again.
        secondary,
        // No session bus: this copy runs on its own.
        alone,
    };

    ApplicationInstance(const std::string& identifier, std::function<void()> reopened);
    ~ApplicationInstance();
    ApplicationInstance(const ApplicationInstance&) = delete;
    ApplicationInstance& operator=(const ApplicationInstance&) = delete;

    Role claim();

    // Asks the copy that owns `identifier` on this session's bus to open
    // again, as a later start does, without starting one; `done` hears, on
    // the main thread, whether the copy took the request.
    using Asked = std::function<void(const Expected<void>& asked)>;
    static void reopen(const std::string& identifier, Asked done);

private:
    GApplication* m_application = nullptr;
    std::function<void()> m_reopened;
};
