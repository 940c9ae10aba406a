#include <gmock/gmock.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Helper/Resources/StatusIconMaker.h"
#include "Platform/AppKit/NSImage.h"

namespace {

std::uint32_t read32(const std::string& data, size_t at)
{
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | std::uint8_t(data[at + i]);
    return value;
}

std::uint16_t read16le(const std::string& data, size_t at)
{
    return std::uint16_t(std::uint8_t(data[at]) | (std::uint8_t(data[at + 1]) << 8));
}

// Bit by bit, unlike the table the maker uses.
std::uint32_t slowCrc(const std::string& bytes)
{
    std::uint32_t crc = 0xffffffffu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Checks every chunk's CRC, the zlib header, stored blocks and checksum;
// returns the joined pixel rows and the chunk types.
std::string decode(const std::string& png, std::vector<std::string>& types)
{
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::string zlib;
    size_t at = 8;
    for (; at + 12 <= png.size(); at += 12 + read32(png, at)) {
        std::string body = png.substr(at + 4, 4 + read32(png, at));
        EXPECT_EQ(read32(png, at + 4 + body.size()), slowCrc(body)) << body.substr(0, 4);
        types.push_back(body.substr(0, 4));
        if (types.back() == "IHDR")
            EXPECT_EQ(body.substr(4), std::string("\0\0\0\x16\0\0\0\x16\x08\x06\0\0\0", 13)) << "22x22 8-bit RGBA";
        else if (types.back() == "IDAT")
            zlib += body.substr(4);
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ((std::uint8_t(zlib[0]) * 256 + std::uint8_t(zlib[1])) % 31, 0) << "zlib header check bits";
    std::string raw;
    size_t position = 2;
    for (bool last = false; !last && position + 5 <= zlib.size();) {
        last = zlib[position] & 1;
        EXPECT_EQ(std::uint8_t(zlib[position]) >> 1, 0) << "stored block";
        unsigned length = read16le(zlib, position + 1);
        EXPECT_EQ(length ^ 0xffffu, read16le(zlib, position + 3));
        raw += zlib.substr(position + 5, length);
        position += 5 + length;
    }
    EXPECT_EQ(position + 4, zlib.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(read32(zlib, position), (b << 16) | a);
    return raw;
}

}  // namespace

TEST(StatusIconTest, IsAWellFormedBlackTemplatePng)
{
    const std::string png = StatusIconMaker::png();
    std::vector<std::string> types;
    std::string raw = decode(png, types);
    EXPECT_THAT(types, ::testing::ElementsAre("IHDR", "IDAT", "IEND"));
    ASSERT_EQ(raw.size(), 22u * (1 + 22 * 4));

    size_t opaque = 0, clear = 0;
    for (size_t row = 0; row < 22; ++row) {
        EXPECT_EQ(raw[row * 89], '\0') << "row " << row << " filter";
        for (size_t column = 0; column < 22; ++column) {
            size_t pixel = row * 89 + 1 + column * 4;
            EXPECT_EQ(raw.substr(pixel, 3), std::string(3, '\0')) << "a template is black";
            opaque += std::uint8_t(raw[pixel + 3]) == 255;
            clear += raw[pixel + 3] == 0;
        }
    }
    EXPECT_GT(opaque, 40u) << "a shape that shows in the bar";
    EXPECT_GT(clear, 22u * 22u / 3) << "and room around it";
    EXPECT_NE(NSImage::fromData(png), nullptr);
}
