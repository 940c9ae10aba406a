#include "Platform/AppKit/NSApplication.h"

#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <cstdlib>

#include "Platform/AppKit/NSApplicationDelegate.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"

NSApplication& NSApplication::shared()
{
    static NSApplication* application = new NSApplication();
    return *application;
}

NSApplication::NSApplication()
    : m_exit([](int status) { std::exit(status); })
{
}

NSApplication::~NSApplication()
{
    removeSignalSources();
}

void NSApplication::run()
{
    if (m_running)
        return;
    m_running = true;
    m_stopRequested = false;
    installSignalSources();
    finishLaunching();
    if (!m_stopRequested)
        RunLoop::main().run();
    removeSignalSources();
    m_running = false;
}

void NSApplication::finishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;
    // From inside the loop, so that a terminate() there can stop it.
    DispatchQueue::main().async([this, alive = std::weak_ptr<bool>(m_alive)] {
        if (!alive.expired() && m_delegate)
            m_delegate->applicationDidFinishLaunching(Notification{didFinishLaunchingNotification});
    });
}

void NSApplication::terminate(const void*)
{
    if (m_terminating)
        return;
    m_terminating = true;
    if (auto delegate = m_delegate)
        delegate->applicationWillTerminate(Notification{willTerminateNotification});
    if (m_exit)
        m_exit(0);
    // Still here: the exit function let the process live on (a test).
    m_terminating = false;
    if (m_running) {
        m_stopRequested = true;
        RunLoop::main().stop();
    }
}

void NSApplication::installSignalSources()
{
    if (!m_signalSources.empty())
        return;
    for (int number : {SIGTERM, SIGINT}) {
        GSource* source = g_unix_signal_source_new(number);
        g_source_set_callback(source, [](gpointer self) -> gboolean {
            static_cast<NSApplication*>(self)->terminate();
            return G_SOURCE_CONTINUE;
        }, this, nullptr);
        m_signalSources.push_back(g_source_attach(source, RunLoop::main().context()));
        g_source_unref(source);
    }
}

void NSApplication::removeSignalSources()
{
    // GLib puts the default handlers back when the last source of a signal goes.
    for (unsigned id : m_signalSources) {
        if (GSource* source = g_main_context_find_source_by_id(RunLoop::main().context(), id))
            g_source_destroy(source);
    }
    m_signalSources.clear();
}

int NSApplicationMain(int, char**)
{
    NSApplication::shared().run();
    return 0;
}
