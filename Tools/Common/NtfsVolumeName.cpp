#include "Tools/Common/NtfsVolumeName.h"

#include <glib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace Tools {

namespace {

constexpr uint32_t kVolumeNameAttribute = 0x60;
constexpr uint32_t kEndOfAttributes = 0xFFFFFFFF;
constexpr uint64_t kVolumeRecord = 3;
// Each 512 bytes of a record end in the update sequence number; the bytes
// that stood there are kept in the update sequence array.
constexpr size_t kFixupStride = 512;

template <typename T>
T little(const std::vector<uint8_t>& bytes, size_t at)
{
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(static_cast<T>(bytes[at + i]) << (8 * i));
    return value;
}

bool readAt(int fd, std::vector<uint8_t>& bytes, uint64_t offset)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool applyFixups(std::vector<uint8_t>& record)
{
    size_t arrayAt = little<uint16_t>(record, 0x04);
    size_t count = little<uint16_t>(record, 0x06);
    if (count == 0 || arrayAt + 2 * count > record.size() || (count - 1) * kFixupStride > record.size())
        return false;
    for (size_t block = 1; block < count; ++block) {
        size_t end = block * kFixupStride - 2;
        if (std::memcmp(&record[end], &record[arrayAt], 2) != 0)
            return false;
        std::memcpy(&record[end], &record[arrayAt + 2 * block], 2);
    }
    return true;
}

}

std::optional<std::string> NtfsVolumeName::read(int fd)
{
    std::vector<uint8_t> boot(512);
    if (!readAt(fd, boot, 0) || std::memcmp(&boot[3], "NTFS    ", 8) != 0)
        return std::nullopt;
    uint64_t sectorSize = little<uint16_t>(boot, 0x0B);
    unsigned perCluster = boot[0x0D];
    // Above 128 the count is a power of two, as 256 less its exponent;
    // below zero the record size is one, as its exponent negated.
    if (perCluster > 128 && 256 - perCluster > 20)
        return std::nullopt;
    uint64_t clusterSize = perCluster > 128 ? sectorSize << (256 - perCluster) : sectorSize * perCluster;
    int perRecord = static_cast<int8_t>(boot[0x40]);
    if (perRecord < -16)
        return std::nullopt;
    uint64_t recordSize = perRecord < 0 ? uint64_t{1} << -perRecord : static_cast<uint64_t>(perRecord) * clusterSize;
    uint64_t mftCluster = little<uint64_t>(boot, 0x30);
    if (sectorSize < 256 || clusterSize == 0 || recordSize < 512 || recordSize > 65536)
        return std::nullopt;

    std::vector<uint8_t> record(recordSize);
    if (!readAt(fd, record, mftCluster * clusterSize + kVolumeRecord * recordSize) || std::memcmp(record.data(), "FILE", 4) != 0
        || !applyFixups(record))
        return std::nullopt;
    for (size_t at = little<uint16_t>(record, 0x14); at + 0x18 <= record.size();) {
        uint32_t type = little<uint32_t>(record, at);
        uint32_t length = little<uint32_t>(record, at + 4);
        if (type == kEndOfAttributes || length < 0x18 || at + length > record.size())
            break;
        if (type == kVolumeNameAttribute && record[at + 8] == 0) {
            uint64_t valueLength = little<uint32_t>(record, at + 0x10);
            uint64_t valueAt = little<uint16_t>(record, at + 0x14);
            if (valueAt + valueLength > length)
                return std::nullopt;
            std::vector<gunichar2> units(valueLength / 2);
            for (size_t unit = 0; unit < units.size(); ++unit)
                units[unit] = little<uint16_t>(record, at + valueAt + 2 * unit);
            gchar* text = g_utf16_to_utf8(units.data(), static_cast<glong>(units.size()), nullptr, nullptr, nullptr);
            if (!text)
                return std::nullopt;
            std::string name = text;
            g_free(text);
            // As libblkid gives it: without blanks at the end.
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
                name.pop_back();
            return name;
        }
        at += length;
    }
    return std::nullopt;
}

}
