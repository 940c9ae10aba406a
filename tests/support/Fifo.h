#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>

// Runs `work`, which meets a FIFO at `fifo`, and says whether it finished by
// itself within `seconds`. If it hung there, the FIFO is swapped for an empty
// regular file and its reader let go, so that the test can end and fail.
inline bool finishesWithoutWaitingOnFifo(const std::string& fifo, std::function<void()> work, double seconds = 10)
{
    auto done = std::async(std::launch::async, std::move(work));
    if (done.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready)
        return true;
    int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ::unlink(fifo.c_str());
    ::close(::open(fifo.c_str(), O_WRONLY | O_CREAT, 0644));
    if (writer >= 0)
        ::close(writer);
    done.wait();
    return false;
}
