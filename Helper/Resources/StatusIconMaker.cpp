#include "Helper/Resources/StatusIconMaker.h"

#include <algorithm>
#include <array>

namespace {

struct Box {
    double left, top, right, bottom, radius;

    bool contains(double x, double y) const
    {
        double cx = std::clamp(x, left + radius, right - radius);
        double cy = std::clamp(y, top + radius, bottom - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius && x >= left && x <= right && y >= top
            && y <= bottom;
    }
};

// A disk drive lying flat: an outlined body, a slot and an activity light.
bool covered(double x, double y)
{
    static constexpr Box outer{2, 5, 20, 17, 3};
    static constexpr Box inner{3.5, 6.5, 18.5, 15.5, 1.5};
    static constexpr Box slot{5.5, 10.25, 11, 11.75, 0.75};
    if (outer.contains(x, y) && !inner.contains(x, y))
        return true;
    if (slot.contains(x, y))
        return true;
    return (x - 15.5) * (x - 15.5) + (y - 11) * (y - 11) <= 1.5 * 1.5;
}

void put32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

void chunk(std::string& out, const char* type, const std::string& data)
{
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::string body = type + data;
    out += body;
    put32(out, StatusIconMaker::crc32(body));
}

}  // namespace

std::vector<std::uint8_t> StatusIconMaker::pixels()
{
    // 4 x 4 samples a pixel smooth the edges.
    constexpr int samples = 4;
    std::vector<std::uint8_t> rgba(side * side * 4, 0);
    for (std::uint32_t row = 0; row < side; ++row) {
        for (std::uint32_t column = 0; column < side; ++column) {
            int hits = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx)
                    hits += covered(column + (sx + 0.5) / samples, row + (sy + 0.5) / samples);
            }
            rgba[(row * side + column) * 4 + 3] = static_cast<std::uint8_t>(hits * 255 / (samples * samples));
        }
    }
    return rgba;
}

std::string StatusIconMaker::png()
{
    return encode(side, side, pixels());
}

std::string StatusIconMaker::encode(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba)
{
    std::string out("\x89PNG\r\n\x1a\n", 8);

    std::string header;
    put32(header, width);
    put32(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter method, no interlace
    chunk(out, "IHDR", header);

    // Each row starts with filter type 0 (none).
    std::string raw;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    for (std::uint32_t row = 0; row < height; ++row) {
        raw.push_back('\0');
        raw.append(reinterpret_cast<const char*>(rgba.data()) + row * stride, stride);
    }

    std::string zlib("\x78\x01", 2);
    constexpr std::size_t blockLimit = 65535;
    std::size_t offset = 0;
    do {
        std::size_t length = std::min(blockLimit, raw.size() - offset);
        bool last = offset + length == raw.size();
        zlib.push_back(last ? '\x01' : '\x00');
        zlib.push_back(static_cast<char>(length & 0xff));
        zlib.push_back(static_cast<char>(length >> 8));
        zlib.push_back(static_cast<char>(~length & 0xff));
        zlib.push_back(static_cast<char>((~length >> 8) & 0xff));
        zlib.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    put32(zlib, adler32(raw));
    chunk(out, "IDAT", zlib);
    chunk(out, "IEND", {});
    return out;
}

std::uint32_t StatusIconMaker::crc32(std::string_view bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> values{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            values[n] = c;
        }
        return values;
    }();
    std::uint32_t crc = 0xffffffffu;
    for (unsigned char byte : bytes)
        crc = table[(crc ^ byte) & 0xff] ^ (crc >> 8);
    return crc ^ 0xffffffffu;
}

std::uint32_t StatusIconMaker::adler32(std::string_view bytes)
{
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}
