#include "Helper/NTFSManager/DiskToolOutput.h"

#include "Platform/Foundation/Text.h"

std::vector<std::string> DiskToolOutput::identifiers(std::string_view listing)
{
    std::vector<std::string> out;
    for (const auto& line : Text::split(listing, '\n')) {
        auto pieces = Text::split(line, ' ');
        // A line of blanks only has no word to take.
        if (!pieces.empty() && pieces.back().starts_with("disk"))
            out.push_back(pieces.back());
    }
    return out;
}

std::vector<std::string> DiskToolOutput::mountedDevices(std::string_view df)
{
    std::vector<std::string> out;
    for (const auto& line : Text::split(df, '\n')) {
        auto pieces = Text::split(line, ' ');
        if (!pieces.empty())
            out.push_back(pieces.front());
    }
    return out;
}

std::vector<std::string> DiskToolOutput::infoValues(std::string_view info)
{
    static const std::string alignment(15, ' ');
    std::vector<std::string> values;
    for (const auto& line : Text::split(info, '\n')) {
        if (line.find("Volume Name:") == std::string::npos && line.find("Mounted:") == std::string::npos
            && line.find("File System Personality:") == std::string::npos)
            continue;
        // The last non-empty piece between colons...
        auto pieces = Text::split(line, ':');
        std::string value = pieces.empty() ? std::string() : pieces.back();
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
