#pragma once

#include <chrono>
#include <string>

// Formats instants in local time. Understands the pattern letters the system
// uses: yyyy MM dd HH mm ss SSS; everything else is copied as it stands.
class DateFormatter {
public:
    explicit DateFormatter(std::string format);

    std::string string(std::chrono::system_clock::time_point date) const;
    std::string stringFromNow() const { return string(std::chrono::system_clock::now()); }

private:
    std::string m_format;
};
