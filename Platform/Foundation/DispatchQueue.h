#pragma once

#include <functional>

typedef struct _GThreadPool GThreadPool;
typedef struct _GMainContext GMainContext;

// The two queues the system uses: the main queue, served by the main run loop in
// every mode, and the global concurrent queue, a small pool of worker threads.
class DispatchQueue {
public:
    using Work = std::function<void()>;

    static DispatchQueue& main();
    static DispatchQueue& global();

    void async(Work work);
    void asyncAfter(double seconds, Work work);

private:
    enum class Kind { main, global };
    explicit DispatchQueue(Kind kind);
    static GMainContext* delayContext();

    Kind m_kind;
    GThreadPool* m_pool = nullptr;
};
