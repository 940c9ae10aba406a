#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/DistributedNotificationCenter.h"

// Collects the agent's answers as they arrive on the main run loop.
class AnswerCollector {
public:
    AnswerCollector();

    // Posts a request as this process (root).
    static void request(const std::optional<PropertyListValue>& object);

    // Pumps the run loop until `count` answers in all have arrived.
    bool waitFor(size_t count, double seconds = 20);
    // Posts an answered marker and waits for it: every answer to requests posted
    // before it has then arrived. Returns the answers before the marker.
    std::vector<std::string> drain(double seconds = 20);

    const std::vector<std::string>& answers() const { return m_answers; }

private:
    std::vector<std::string> m_answers;
    std::unique_ptr<ObserverRegistration> m_registration;
    unsigned m_marker = 0;
};
