#include "Helper/NTFSManager/DiskToolOutput.h"

std::vector<std::string> DiskToolOutput::lines(std::string_view text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty())
            out.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return out;
}

std::vector<std::string> DiskToolOutput::words(std::string_view line)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        if (end > start)
            out.emplace_back(line.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::vector<std::string> DiskToolOutput::identifiers(std::string_view listing)
{
    std::vector<std::string> out;
    for (const auto& line : lines(listing)) {
        auto pieces = words(line);
        // A line of blanks only has no word to take.
        if (!pieces.empty() && pieces.back().starts_with("disk"))
            out.push_back(pieces.back());
    }
    return out;
}

std::vector<std::string> DiskToolOutput::mountedDevices(std::string_view df)
{
    std::vector<std::string> out;
    for (const auto& line : lines(df)) {
        auto pieces = words(line);
        if (!pieces.empty())
            out.push_back(pieces.front());
    }
    return out;
}

std::vector<std::string> DiskToolOutput::infoValues(std::string_view info)
{
    static const std::string alignment(15, ' ');
    std::vector<std::string> values;
    for (const auto& line : lines(info)) {
        if (line.find("Volume Name:") == std::string::npos && line.find("Mounted:") == std::string::npos
            && line.find("File System Personality:") == std::string::npos)
            continue;
        // The last non-empty piece between colons...
        std::string value;
        size_t start = 0;
        while (start <= line.size()) {
            size_t end = line.find(':', start);
            std::string piece = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!piece.empty())
                value = piece;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        // ...without the runs of exactly fifteen blanks that align the values.
        std::string trimmed;
        for (size_t i = 0; i < value.size();) {
            if (value.compare(i, alignment.size(), alignment) == 0) {
                i += alignment.size();
            } else {
                trimmed += value[i];
                ++i;
            }
        }
        values.push_back(trimmed);
    }
    return values;
}
