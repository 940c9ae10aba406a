#include "Platform/Foundation/DateFormatter.h"

#include <ctime>
#include <string_view>

namespace {

void appendPadded(std::string& out, long value, int width)
{
    std::string digits = std::to_string(value);
    if (digits.size() < static_cast<size_t>(width))
        out.append(static_cast<size_t>(width) - digits.size(), '0');
    out += digits;
}

}  // namespace

DateFormatter::DateFormatter(std::string format)
    : m_format(std::move(format))
{
}

std::string DateFormatter::string(std::chrono::system_clock::time_point date) const
{
    using namespace std::chrono;
    // Floor, so an instant before a whole second never shows the next second
    // and the fraction is never rounded up to 1000.
    auto milliseconds = floor<std::chrono::milliseconds>(date.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(milliseconds >= 0 ? milliseconds / 1000 : (milliseconds - 999) / 1000);
    long fraction = static_cast<long>(milliseconds - static_cast<long long>(seconds) * 1000);

    std::tm local{};
    ::localtime_r(&seconds, &local);

    struct Field {
        std::string_view letters;
        long value;
        int width;
    };
    const Field fields[] = {
        {"yyyy", local.tm_year + 1900L, 4}, {"MM", local.tm_mon + 1L, 2}, {"dd", local.tm_mday, 2},
        {"HH", local.tm_hour, 2},           {"mm", local.tm_min, 2},      {"ss", local.tm_sec, 2},
        {"SSS", fraction, 3},
    };

    std::string out;
    std::string_view rest = m_format;
    while (!rest.empty()) {
        bool matched = false;
        for (const auto& field : fields) {
            if (rest.starts_with(field.letters)) {
                appendPadded(out, field.value, field.width);
                rest.remove_prefix(field.letters.size());
                matched = true;
                break;
            }
        }
        if (!matched) {
            out += rest.front();
            rest.remove_prefix(1);
        }
    }
    return out;
}
