#pragma once

#include "Tools/Common/DiskDescription.h"

namespace ToolsTestData {

// A 1 GB external disk with an MBR table and one NTFS partition "Data",
// mounted read-only at /Volumes/Data, as the tools see it.
inline Tools::DiskDescription ntfsDisk(const std::string& label = "Data", bool mounted = true)
{
    Tools::DiskDescription disk;
    disk.identifier = Tools::DiskIdentifier(4);
    disk.node = "/dev/disk4";
    disk.size = 1000000000;
    disk.probe.tableType = "dos";
    disk.removable = true;

    Tools::VolumeDescription volume;
    volume.identifier = Tools::DiskIdentifier(4, 1);
    volume.node = "/dev/disk4s1";
    volume.size = 999000000;
    volume.probe.fsType = "ntfs";
    volume.probe.label = label;
    volume.probe.entryScheme = "dos";
    volume.probe.entryType = "0x7";
    volume.removable = true;
    if (mounted)
        volume.mounts.push_back({ "/dev/disk4s1", "/Volumes/" + label, "fuseblk", "ro,relatime", "ro,user_id=0", 0, 0 });
    disk.partitions.push_back(volume);
    return disk;
}

}
