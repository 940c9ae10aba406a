#include "Platform/AppKit/NSAttributedString.h"

#include <algorithm>

#include "Platform/AppKit/TextLayout.h"
#include "Platform/Foundation/UTF16.h"

NSAttributedString::NSAttributedString(std::string string, const NSAttributes& attributes)
    : m_string(std::move(string)), m_length(UTF16::length(m_string))
{
    if (m_length > 0)
        m_runs.push_back({{0, m_length}, attributes});
}

NSAttributes NSAttributedString::attributes(size_t location, NSRange* effectiveRange) const
{
    for (const auto& run : m_runs) {
        if (location >= run.range.location && location < run.range.max()) {
            if (effectiveRange)
                *effectiveRange = run.range;
            return run.attributes;
        }
    }
    if (effectiveRange)
        *effectiveRange = {location, 0};
    return {};
}

CGSize NSAttributedString::size() const
{
    return TextLayout(*this, {}).size();
}

void NSAttributedString::splitAt(size_t location)
{
    for (size_t index = 0; index < m_runs.size(); ++index) {
        auto& run = m_runs[index];
        if (location > run.range.location && location < run.range.max()) {
            Run tail{{location, run.range.max() - location}, run.attributes};
            run.range.length = location - run.range.location;
            m_runs.insert(m_runs.begin() + static_cast<std::ptrdiff_t>(index) + 1, tail);
            return;
        }
    }
}

void NSAttributedString::coalesce()
{
    std::vector<Run> merged;
    for (auto& run : m_runs) {
        if (!merged.empty() && merged.back().attributes == run.attributes)
            merged.back().range.length += run.range.length;
        else
            merged.push_back(run);
    }
    m_runs = std::move(merged);
}

void NSMutableAttributedString::addAttributes(const NSAttributes& attributes, NSRange range)
{
    forRunsIn(range, [&](NSAttributes& run) { run.merge(attributes); });
}

void NSMutableAttributedString::forRunsIn(NSRange range, const std::function<void(NSAttributes&)>& change)
{
    size_t start = std::min(range.location, m_length);
    size_t end = std::min(range.max(), m_length);
    splitAt(start);
    splitAt(end);
    for (auto& run : m_runs) {
        if (run.range.location >= start && run.range.max() <= end)
            change(run.attributes);
    }
    coalesce();
}

void NSMutableAttributedString::append(const NSAttributedString& other)
{
    for (auto run : other.runs()) {
        run.range.location += m_length;
        m_runs.push_back(run);
    }
    m_string += other.string();
    m_length += other.length();
    coalesce();
}
