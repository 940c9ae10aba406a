#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "Platform/Foundation/Expected.h"

// Fetches an update feed from an http, https or file URL (redirects only to
// http and https, and only to https from https), within a time limit and a
// size limit, so a slow or endless answer ends in an error rather than a hung
// or swollen check. Blocks the calling thread; any thread may call it.
class SUFeedFetcher {
public:
    struct Limits {
        // The whole transfer, connecting included.
        std::chrono::milliseconds timeout = std::chrono::seconds(30);
        std::size_t maximumSize = 4 * 1024 * 1024;
    };

    static Expected<std::string> fetch(const std::string& url, const Limits& limits);
};
