#include "Tools/Common/DiskIdentifier.h"

#include <charconv>

namespace Tools {

namespace {

// Reads a decimal number without sign or leading zero (so "disk04" is no identifier).
std::optional<int> readNumber(std::string_view& text)
{
    size_t length = 0;
    while (length < text.size() && text[length] >= '0' && text[length] <= '9')
        ++length;
    if (length == 0 || length > 6 || (length > 1 && text[0] == '0'))
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + length, value);
    text.remove_prefix(length);
    return value;
}

}

DiskIdentifier::DiskIdentifier(int disk, int partition)
    : m_disk(disk)
    , m_partition(partition)
{
}

std::optional<DiskIdentifier> DiskIdentifier::parse(std::string_view text)
{
    if (text.starts_with("/dev/"))
        text.remove_prefix(5);
    if (!text.starts_with("disk"))
        return std::nullopt;
    text.remove_prefix(4);
    auto disk = readNumber(text);
    if (!disk)
        return std::nullopt;
    if (text.empty())
        return DiskIdentifier(*disk);
    if (text[0] != 's')
        return std::nullopt;
    text.remove_prefix(1);
    auto partition = readNumber(text);
    if (!partition || *partition == 0 || !text.empty())
        return std::nullopt;
    return DiskIdentifier(*disk, *partition);
}

std::string DiskIdentifier::name() const
{
    std::string text = "disk" + std::to_string(m_disk);
    if (m_partition != 0)
        text += "s" + std::to_string(m_partition);
    return text;
}

std::string DiskIdentifier::nodePath(const std::string& devDir) const
{
    return devDir + "/" + name();
}

}
