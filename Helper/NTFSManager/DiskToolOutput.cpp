#include "Helper/NTFSManager/DiskToolOutput.h"

#include <algorithm>
#include <iterator>

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
    static const std::string keys[] = {"Volume Name", "Mounted", "File System Personality"};
    std::vector<std::string> values;
    for (const auto& line : Text::split(info, '\n')) {
        // A line's key is what comes before its first colon; the value is
        // everything after it, so a name holding a colon, or a key's words
        // (in a mount point too), is never read as another value.
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const size_t start = line.find_first_not_of(' ');
        const std::string key = line.substr(start, colon - start);
        if (std::find(std::begin(keys), std::end(keys), key) == std::end(keys))
            continue;
        const std::string value = line.substr(colon + 1);
        // Without the runs of exactly fifteen blanks that align the values.
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
