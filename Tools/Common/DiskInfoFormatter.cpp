#include "Tools/Common/DiskInfoFormatter.h"

#include "Tools/Common/PartitionTypeName.h"
#include "Tools/Common/SizeText.h"

namespace Tools {

std::string DiskInfoFormatter::line(const std::string& label, const std::string& value)
{
    std::string head = label + ":";
    if (head.size() < 27)
        head += std::string(27 - head.size(), ' ');
    return "   " + head + value + "\n";
}

std::string DiskInfoFormatter::volumeLines(const VolumeDescription& volume)
{
    std::string text;
    if (!volume.hasFileSystem()) {
        text += line("Volume Name", notApplicable);
        text += line("Mounted", notApplicable);
        return text;
    }
    text += line("Volume Name", volume.name());
    const MountEntry* mount = volume.firstMount();
    text += line("Mounted", mount ? "Yes" : "No");
    if (mount)
        text += line("Mount Point", mount->target);
    return text;
}

std::string DiskInfoFormatter::mediaLines(const VolumeDescription& volume, bool whole)
{
    std::string text;
    text += line("OS Can Be Installed", "No");
    text += line("Media Type", "Generic");
    text += line("Protocol", volume.diskImage ? "Disk Image" : (volume.removable ? "USB" : "SATA"));
    text += "\n";
    text += line("Disk Size", SizeText::detailed(volume.size));
    text += line("Device Block Size", "512 Bytes");
    text += "\n";
    if (volume.hasFileSystem()) {
        const MountEntry* mount = volume.firstMount();
        text += line("Read-Only Media", "No");
        if (mount)
            text += line("Read-Only Volume", mount->isReadWrite() ? "No" : "Yes");
        text += "\n";
    } else {
        text += line("Read-Only Media", "No");
        text += "\n";
    }
    text += line("Device Location", volume.removable || volume.diskImage ? "External" : "Internal");
    text += line("Removable Media", volume.removable || volume.diskImage ? "Removable" : "Fixed");
    if (whole)
        text += "\n" + line("Virtual", volume.diskImage ? "Yes" : "No");
    return text;
}

std::string DiskInfoFormatter::formatDisk(const DiskDescription& disk)
{
    VolumeDescription volume = disk.asVolume();
    std::string text;
    text += line("Device Identifier", disk.identifier.name());
    text += line("Device Node", disk.node);
    text += line("Whole", "Yes");
    text += line("Part of Whole", disk.identifier.name());
    text += line("Device / Media Name", disk.diskImage ? "Disk Image" : "Generic");
    text += "\n";
    text += volumeLines(volume);
    text += "\n";
    if (!disk.probe.tableType.empty())
        text += line("Content (IOContent)", PartitionTypeName::scheme(disk.probe.tableType));
    if (volume.hasFileSystem()) {
        text += line("Content (IOContent)", "None");
        text += line("File System Personality", PartitionTypeName::personality(disk.probe));
        text += line("Type (Bundle)", PartitionTypeName::bundle(disk.probe.fsType));
        text += line("Name (User Visible)", PartitionTypeName::userVisibleName(disk.probe));
    }
    text += "\n";
    text += mediaLines(volume, true);
    return text;
}

std::string DiskInfoFormatter::formatVolume(const VolumeDescription& volume, const DiskDescription& disk)
{
    std::string text;
    text += line("Device Identifier", volume.identifier.name());
    text += line("Device Node", volume.node);
    text += line("Whole", "No");
    text += line("Part of Whole", disk.identifier.name());
    text += "\n";
    text += volumeLines(volume);
    text += "\n";
    text += line("Partition Type", PartitionTypeName::content(volume.probe));
    if (volume.hasFileSystem()) {
        text += line("File System Personality", PartitionTypeName::personality(volume.probe));
        text += line("Type (Bundle)", PartitionTypeName::bundle(volume.probe.fsType));
        text += line("Name (User Visible)", PartitionTypeName::userVisibleName(volume.probe));
        if (!volume.probe.uuid.empty())
            text += line("Volume UUID", volume.probe.uuid);
    }
    text += "\n";
    text += mediaLines(volume, false);
    return text;
}

}
