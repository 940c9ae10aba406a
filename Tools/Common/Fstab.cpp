#include "Tools/Common/Fstab.h"

#include "Platform/Foundation/Text.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace Tools {

namespace {

std::string unescapeOctal(const std::string& field)
{
    std::string result;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                result += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        result += field[i];
    }
    return result;
}

}

Fstab::Fstab(std::string path)
    : m_path(std::move(path))
{
}

bool Fstab::requestsReadWrite(const std::string& label) const
{
    std::ifstream in(m_path);
    std::string line;
    while (std::getline(in, line)) {
        if (lineRequestsReadWrite(line, label))
            return true;
    }
    return false;
}

bool Fstab::lineRequestsReadWrite(const std::string& rawLine, const std::string& label)
{
    std::string line = rawLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    if (line == "LABEL=" + label + " none ntfs rw,auto,nobrowse")
        return true;

    std::istringstream in(line);
    std::vector<std::string> fields;
    std::string field;
    while (in >> field)
        fields.push_back(field);
    if (fields.size() < 4 || fields[0].starts_with("#"))
        return false;
    if (unescapeOctal(fields[0]) != "LABEL=" + label)
        return false;
    if (fields[2] != "ntfs" && fields[2] != "ntfs-3g")
        return false;
    bool readWrite = false;
    for (const auto& option : Text::split(fields[3], ',')) {
        if (option == "rw")
            readWrite = true;
        else if (option == "ro")
            readWrite = false;
    }
    return readWrite;
}

}
