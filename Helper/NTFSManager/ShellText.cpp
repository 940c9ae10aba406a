#include "Helper/NTFSManager/ShellText.h"

#include <cctype>
#include <cstring>

std::string ShellText::quoted(std::string_view value)
{
    std::string text = "'";
    for (char c : value) {
        if (c == '\'')
            text += "'\\''";
        else
            text += c;
    }
    return text + "'";
}

bool ShellText::isPlainWord(std::string_view value)
{
    // zsh expands a word starting with = to a command's path.
    if (!value.empty() && value.front() == '=')
        return false;
    for (unsigned char c : value) {
        if (!std::isalnum(c) && !std::strchr("-_.,/:@%+=", c))
            return false;
    }
    return true;
}

std::string ShellText::word(std::string_view value)
{
    // An empty value left bare would vanish, and the command would run
    // without its argument.
    return !value.empty() && isPlainWord(value) ? std::string(value) : quoted(value);
}
