#include "Shared/Kit/Kit.h"

#include <cstdio>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/FileManager.h"

void Kit::debugLog(const std::vector<std::string>& items, std::string_view function, CallSite location)
{
    std::string line = FileManager::lastPathComponent(location.fileName) + ":" + std::to_string(location.line) + " "
        + std::string(function) + ":";
    for (const auto& item : items) {
        line += ' ';
        line += item;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void Kit::debugLog(std::string_view item, std::string_view function, CallSite location)
{
    debugLog(std::vector<std::string>{std::string(item)}, function, location);
}

void Kit::debugLog(std::initializer_list<std::string> items, std::string_view function, CallSite location)
{
    debugLog(std::vector<std::string>(items), function, location);
}

void Kit::delay(double seconds, DispatchQueue& queue, std::function<void()> closure)
{
    queue.asyncAfter(seconds, std::move(closure));
}

std::string Kit::quoted(std::string_view text)
{
    std::string out = "\"";
    for (char character : text) {
        auto byte = static_cast<unsigned char>(character);
        switch (character) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\0': out += "\\0"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escaped[16];
                std::snprintf(escaped, sizeof escaped, "\\u{%x}", byte);
                out += escaped;
            } else {
                out += character;
            }
        }
    }
    out += '"';
    return out;
}

std::string Kit::describe(const std::vector<std::string>& texts)
{
    std::string out = "[";
    for (size_t index = 0; index < texts.size(); ++index) {
        if (index > 0)
            out += ", ";
        out += quoted(texts[index]);
    }
    out += ']';
    return out;
}

std::string Kit::describe(std::string_view result, std::string_view error)
{
    return "(result: " + quoted(result) + ", error: " + quoted(error) + ")";
}
