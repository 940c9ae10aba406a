#include "Platform/Foundation/DispatchQueue.h"

#include <glib.h>

#include "Platform/Foundation/RunLoop.h"

namespace {

constexpr int kGlobalThreads = 4;

using Work = DispatchQueue::Work;

void attachOnce(GMainContext* context, GSource* source, Work work)
{
    g_source_set_callback(source, [](gpointer data) -> gboolean {
        (*static_cast<Work*>(data))();
        return G_SOURCE_REMOVE;
    }, new Work(std::move(work)), [](gpointer data) { delete static_cast<Work*>(data); });
    g_source_attach(source, context);
    g_source_unref(source);
}

}  // namespace

DispatchQueue& DispatchQueue::main()
{
    static DispatchQueue* queue = new DispatchQueue(Kind::main);
    return *queue;
}

DispatchQueue& DispatchQueue::global()
{
    static DispatchQueue* queue = new DispatchQueue(Kind::global);
    return *queue;
}

DispatchQueue::DispatchQueue(Kind kind)
    : m_kind(kind)
{
    if (kind == Kind::global) {
        m_pool = g_thread_pool_new([](gpointer data, gpointer) {
            auto* work = static_cast<Work*>(data);
            (*work)();
            delete work;
        }, nullptr, kGlobalThreads, FALSE, nullptr);
    }
}

void DispatchQueue::async(Work work)
{
    if (m_kind == Kind::main)
        attachOnce(RunLoop::main().context(), g_idle_source_new(), std::move(work));
    else
        g_thread_pool_push(m_pool, new Work(std::move(work)), nullptr);
}

void DispatchQueue::asyncAfter(double seconds, Work work)
{
    auto milliseconds = static_cast<guint>(seconds < 0 ? 0 : seconds * 1000.0 + 0.5);
    if (m_kind == Kind::main) {
        attachOnce(RunLoop::main().context(), g_timeout_source_new(milliseconds), std::move(work));
        return;
    }
    // The delay runs on a thread of its own, so the global queue keeps its
    // promise even while the main run loop is not running.
    attachOnce(delayContext(), g_timeout_source_new(milliseconds), [this, work = std::move(work)]() mutable {
        async(std::move(work));
    });
}

GMainContext* DispatchQueue::delayContext()
{
    static GMainContext* context = [] {
        GMainContext* created = g_main_context_new();
        g_thread_new("dispatch-delay", [](gpointer data) -> gpointer {
            auto* ctx = static_cast<GMainContext*>(data);
            GMainLoop* loop = g_main_loop_new(ctx, FALSE);
            g_main_loop_run(loop);
            return nullptr;
        }, created);
        return created;
    }();
    return context;
}
