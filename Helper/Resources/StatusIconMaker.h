#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Draws the status-bar icon and encodes it as a PNG file, so the icon is made
// from source at build time. The image is a template: black, its shape in the
// alpha channel, as status-bar icons are drawn.
class StatusIconMaker {
public:
    // A square of `side` pixels; the bar is 22 points high.
    static constexpr std::uint32_t side = 22;

    // The finished PNG file.
    static std::string png();

    // 8-bit RGBA, rows top to bottom.
    static std::vector<std::uint8_t> pixels();

    // A PNG of RGBA pixels: the image data goes in stored (uncompressed)
    // deflate blocks, which every decoder reads and which need no library.
    static std::string encode(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba);

    static std::uint32_t crc32(std::string_view bytes);
    static std::uint32_t adler32(std::string_view bytes);
};
