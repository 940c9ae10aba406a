#include "support/MountInfo.h"

#include <fstream>
#include <sstream>

namespace {

std::string unescape(const std::string& field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

}  // namespace

std::vector<MountEntry> MountInfo::entries()
{
    std::vector<MountEntry> out;
    std::ifstream file("/proc/self/mountinfo");
    std::string line;
    while (std::getline(file, line)) {
        // id parent major:minor root target options [optional...] - type source super-options
        std::stringstream words(line);
        std::vector<std::string> fields;
        std::string word;
        while (words >> word)
            fields.push_back(word);
        size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-")
            ++separator;
        if (fields.size() < 6 || separator + 2 >= fields.size())
            continue;
        out.push_back({unescape(fields[separator + 2]), unescape(fields[4]), fields[5]});
    }
    return out;
}

std::optional<MountEntry> MountInfo::at(const std::string& target)
{
    std::optional<MountEntry> found;
    for (auto& entry : entries()) {
        if (entry.target == target)
            found = entry;
    }
    return found;
}

std::vector<MountEntry> MountInfo::below(const std::string& folder)
{
    std::vector<MountEntry> out;
    for (auto& entry : entries()) {
        if (entry.target == folder || entry.target.rfind(folder + "/", 0) == 0)
            out.push_back(entry);
    }
    return out;
}
