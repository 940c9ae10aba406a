#pragma once

#include <string>
#include <string_view>

#include "Platform/Foundation/Expected.h"

// Reads a named section of an ELF executable: where the helper tool carries
// its information and launchd property lists.
class ELFSection {
public:
    // The section's bytes with any trailing NUL bytes removed; fails when the
    // file cannot be read, is no 64-bit ELF file or has no such section.
    static Expected<std::string> contents(const std::string& path, std::string_view name);
    static Expected<std::string> contentsOfImage(std::string_view image, std::string_view name);
};
