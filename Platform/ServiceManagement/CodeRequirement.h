#pragma once

#include <optional>
#include <string>
#include <string_view>

// The part of a code-signing requirement this platform can check: the
// identifier it demands (`identifier "top.kestrova.macOS.Parvex" and ...`).
// There are no code signatures here, so the rest of a requirement is not
// evaluated.
class CodeRequirement {
public:
    static std::optional<std::string> identifier(std::string_view requirement);
};
