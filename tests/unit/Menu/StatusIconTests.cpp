#include <gmock/gmock.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Helper/Resources/StatusIconMaker.h"
#include "Platform/AppKit/NSImage.h"

namespace {

std::uint32_t read32(const std::string& data, size_t at)
{
    return (std::uint32_t(std::uint8_t(data[at])) << 24) | (std::uint32_t(std::uint8_t(data[at + 1])) << 16)
        | (std::uint32_t(std::uint8_t(data[at + 2])) << 8) | std::uint32_t(std::uint8_t(data[at + 3]));
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

struct Decoded {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string raw;  // filter byte + row, per row
    std::vector<std::string> chunkTypes;
};

// A reader for what the maker writes: checks every chunk's CRC, the zlib
// header and checksum, and joins the stored deflate blocks.
Decoded decode(const std::string& png)
{
    Decoded out;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::string zlib;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        std::uint32_t length = read32(png, at);
        std::string body = png.substr(at + 4, 4 + length);
        EXPECT_EQ(read32(png, at + 8 + length), slowCrc(body)) << body.substr(0, 4);
        std::string type = body.substr(0, 4);
        out.chunkTypes.push_back(type);
        if (type == "IHDR") {
            out.width = read32(body, 4);
            out.height = read32(body, 8);
            EXPECT_EQ(body.substr(12), std::string("\x08\x06\x00\x00\x00", 5)) << "8-bit RGBA, no interlace";
        } else if (type == "IDAT") {
            zlib += body.substr(4);
        }
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ((std::uint8_t(zlib[0]) * 256 + std::uint8_t(zlib[1])) % 31, 0) << "zlib header check bits";
    size_t position = 2;
    bool last = false;
    while (!last && position + 5 <= zlib.size()) {
        std::uint8_t flags = std::uint8_t(zlib[position]);
        last = flags & 1;
        EXPECT_EQ(flags >> 1, 0) << "stored block";
        unsigned length = std::uint8_t(zlib[position + 1]) | (std::uint8_t(zlib[position + 2]) << 8);
        unsigned complement = std::uint8_t(zlib[position + 3]) | (std::uint8_t(zlib[position + 4]) << 8);
        EXPECT_EQ(length ^ 0xffffu, complement);
        out.raw += zlib.substr(position + 5, length);
        position += 5 + length;
    }
    EXPECT_TRUE(last);
    EXPECT_EQ(position + 4, zlib.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : out.raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(read32(zlib, position), (b << 16) | a);
    return out;
}

}  // namespace

TEST(StatusIconTest, IsAWellFormedTemplatePng)
{
    const std::string png = StatusIconMaker::png();
    Decoded image = decode(png);
    EXPECT_THAT(image.chunkTypes, ::testing::ElementsAre("IHDR", "IDAT", "IEND"));
    ASSERT_EQ(image.width, 22u);
    ASSERT_EQ(image.height, 22u);
    ASSERT_EQ(image.raw.size(), 22u * (1 + 22 * 4));

    size_t opaque = 0, clear = 0;
    for (size_t row = 0; row < 22; ++row) {
        const std::string line = image.raw.substr(row * 89, 89);
        EXPECT_EQ(line[0], '\0') << "row " << row << " filter";
        for (size_t column = 0; column < 22; ++column) {
            EXPECT_EQ(line.substr(1 + column * 4, 3), std::string(3, '\0')) << "a template is black";
            std::uint8_t alpha = std::uint8_t(line[1 + column * 4 + 3]);
            opaque += alpha == 255;
            clear += alpha == 0;
        }
    }
    EXPECT_GT(opaque, 40u) << "a shape that shows in the bar";
    EXPECT_GT(clear, 22u * 22u / 3) << "and room around it";

    auto icon = NSImage::fromData(png);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->pixelsWide(), 22u);
}
