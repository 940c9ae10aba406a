#include "Platform/ServiceManagement/CodeRequirement.h"

#include <cctype>

namespace {

bool isWordCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-';
}

void skipSpace(std::string_view text, size_t& at)
{
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
}

}  // namespace

std::optional<std::string> CodeRequirement::identifier(std::string_view requirement)
{
    constexpr std::string_view keyword = "identifier";
    size_t at = 0;
    bool inQuotes = false;
    while (at < requirement.size()) {
        char c = requirement[at];
        if (inQuotes) {
            if (c == '\\')
                ++at;
            else if (c == '"')
                inQuotes = false;
            ++at;
            continue;
        }
        if (c == '"') {
            inQuotes = true;
            ++at;
            continue;
        }
        bool wordStart = at == 0 || !isWordCharacter(requirement[at - 1]);
        if (!wordStart || requirement.substr(at, keyword.size()) != keyword
            || (at + keyword.size() < requirement.size() && isWordCharacter(requirement[at + keyword.size()]))) {
            ++at;
            continue;
        }
        at += keyword.size();
        skipSpace(requirement, at);
        // "identifier = X" is the same test as "identifier X".
        if (at < requirement.size() && requirement[at] == '=') {
            ++at;
            skipSpace(requirement, at);
        }
        if (at >= requirement.size())
            return std::nullopt;
        std::string value;
        if (requirement[at] == '"') {
            for (++at; at < requirement.size() && requirement[at] != '"'; ++at) {
                if (requirement[at] == '\\' && at + 1 < requirement.size())
                    ++at;
                value.push_back(requirement[at]);
            }
            if (at >= requirement.size())
                return std::nullopt;
        } else {
            while (at < requirement.size() && isWordCharacter(requirement[at]))
                value.push_back(requirement[at++]);
        }
        if (value.empty())
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}
