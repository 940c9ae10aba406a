#include "Tools/Common/DiskListFormatter.h"

#include "Tools/Common/PartitionTypeName.h"
#include "Tools/Common/SizeText.h"

namespace Tools {

namespace {

// Width in characters, counting UTF-8 sequences once.
size_t displayWidth(const std::string& text)
{
    size_t width = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++width;
    }
    return width;
}

}

std::string DiskListFormatter::pad(const std::string& text, size_t width, bool right)
{
    size_t length = displayWidth(text);
    if (length >= width)
        return text;
    std::string spaces(width - length, ' ');
    return right ? spaces + text : text + spaces;
}

std::string DiskListFormatter::row(const std::string& index, const std::string& type, const std::string& name, char marker, const std::string& size, const std::string& identifier)
{
    std::string line = pad(index, 4, true) + ":" + pad(type, 27, true) + " " + pad(name, 23, false);
    line += marker;
    line += pad(size, 10, false) + " " + identifier;
    return line;
}

std::string DiskListFormatter::format(const DiskDescription& disk)
{
    std::string text = disk.node + " (" + disk.kind() + "):\n";
    text += row("#", "TYPE", "NAME", ' ', "SIZE", "IDENTIFIER") + "\n";
    VolumeDescription whole = disk.asVolume();
    std::string wholeType = PartitionTypeName::content(disk.probe);
    text += row("0", wholeType, whole.name(), '*', SizeText::format(disk.size), disk.identifier.name()) + "\n";
    for (const auto& partition : disk.partitions) {
        text += row(std::to_string(partition.identifier.partition()), PartitionTypeName::content(partition.probe), partition.name(), ' ', SizeText::format(partition.size), partition.identifier.name()) + "\n";
    }
    return text + "\n";
}

}
