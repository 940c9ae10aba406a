#pragma once

#include <cstdint>
#include <string>

namespace Tools {

// Sizes as the original tools print them: decimal units, one decimal place.
class SizeText {
public:
    static std::string format(uint64_t bytes);                  // "64.0 MB"
    static std::string detailed(uint64_t bytes);                // "64.0 MB (64000000 Bytes) (exactly 125000 512-Byte-Units)"
};

}
