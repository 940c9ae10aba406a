#pragma once

#include <functional>
#include <initializer_list>
#include "Platform/Foundation/CallSite.h"
#include <string>
#include <string_view>
#include <vector>

class DispatchQueue;

// The few helpers of the outside utility kit the programs rely on, plus the
// renderings our log lines use for values.
class Kit {
public:
    // Prints the values to standard output, tagged with the method name and the
    // call site; never to the log file.
    static void debugLog(const std::vector<std::string>& items, std::string_view function,
                         CallSite location = CallSite::current());
    static void debugLog(std::string_view item, std::string_view function,
                         CallSite location = CallSite::current());
    static void debugLog(std::initializer_list<std::string> items, std::string_view function,
                         CallSite location = CallSite::current());

    // Runs `closure` once on `queue` after `seconds`; returns at once.
    static void delay(double seconds, DispatchQueue& queue, std::function<void()> closure);

    // A text as a quoted literal: "a \"b\"\n" with quotes, backslashes and
    // control characters escaped.
    static std::string quoted(std::string_view text);
    // A list of texts: ["a", "b"] ([] when empty).
    static std::string describe(const std::vector<std::string>& texts);
    // A script's (result, error) pair: (result: "...", error: "...").
    static std::string describe(std::string_view result, std::string_view error);
};
