#pragma once

#include <cstddef>
#include <string_view>

#include "Platform/Foundation/Expected.h"

// What libplist cannot be handed as it is: it parses and frees nested values by
// recursion, and copies a value a binary list refers to once per reference, so
// a small hostile file can run the stack out or make memory explode. Checked
// on the bytes first, without recursion.
class PropertyListShape {
public:
    static constexpr size_t deepest = 512;
    static constexpr size_t mostValues = 1'000'000;

    // Fails when arrays and dictionaries nest deeper than `deepest`, or when a
    // binary list refers to itself or would expand to more than `mostValues`.
    static Expected<void> check(std::string_view data);

private:
    static Expected<void> checkXML(std::string_view data);
    static Expected<void> checkBinary(std::string_view data);
};
