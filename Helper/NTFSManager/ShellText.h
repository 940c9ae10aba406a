#pragma once

#include <string>
#include <string_view>

// How values enter script texts. A volume name or an ID can come from a
// volume's label or from a notification any local process may post, so no
// value may ever be read by the shell as anything but itself.
class ShellText {
public:
    // Between single quotes, as the scripts have always written values; a single
    // quote inside ends the quotation, is escaped, and the quotation resumes.
    static std::string quoted(std::string_view value);

    // Where the scripts insert a value bare: a plain word (letters, digits and
    // -_.,/:@%+=, not starting with =) stays bare, anything else (the empty
    // value too) is quoted.
    // Quoting never stops a command from reading a value as an option.
    static std::string word(std::string_view value);

    static bool isPlainWord(std::string_view value);
};
