#include "support/AnswerCollector.h"

#include <gtest/gtest.h>

#include "Platform/Foundation/RunLoop.h"

namespace {
constexpr const char* kRequest = "top.kestrova.macOS.Parvex.Helper.do";
constexpr const char* kAnswer = "top.kestrova.macOS.Parvex.Helper.do.Finsh";
}  // namespace

AnswerCollector::AnswerCollector()
{
    m_registration = DistributedNotificationCenter::defaultCenter().addObserver(kAnswer, [this](const Notification& n) {
        const std::string* text = n.objectText();
        m_answers.push_back(text ? *text : std::string("<not a text>"));
    });
}

void AnswerCollector::request(const std::optional<PropertyListValue>& object)
{
    auto posted = DistributedNotificationCenter::defaultCenter().post(kRequest, object,
                                                                      DistributedNotificationCenter::deliverToAllSessions);
    EXPECT_TRUE(posted) << posted.error().description;
}

bool AnswerCollector::waitFor(size_t count, double seconds)
{
    return RunLoop::main().runUntil([&] { return m_answers.size() >= count; }, seconds);
}

std::vector<std::string> AnswerCollector::drain(double seconds)
{
    std::string marker = "marker," + std::to_string(++m_marker);
    size_t before = m_answers.size();
    request(marker);
    RunLoop::main().runUntil([&] {
        for (size_t i = before; i < m_answers.size(); ++i) {
            if (m_answers[i] == marker)
                return true;
        }
        return false;
    }, seconds);
    std::vector<std::string> out;
    for (auto& answer : m_answers) {
        if (answer == marker)
            break;
        if (answer.rfind("marker,", 0) != 0)
            out.push_back(answer);
    }
    m_answers.clear();
    return out;
}
