#include "Shared/Kit/Kit.h"

#include <cstdio>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/UTF8.h"

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
        if (character == '"' || character == '\\')
            out += '\\';
        out += character;
    }
    return UTF8::escapedControls(out) + '"';
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
