#include "Tools/Common/DiskDescription.h"

#include "Tools/Common/PartitionTypeName.h"

namespace Tools {

bool VolumeDescription::hasFileSystem() const
{
    return !PartitionTypeName::personality(probe).empty();
}

std::string VolumeDescription::name() const
{
    if (!probe.label.empty())
        return probe.label;
    return hasFileSystem() ? "Untitled" : "";
}

std::string DiskDescription::kind() const
{
    if (diskImage)
        return "disk image";
    return (removable || usb) ? "external, physical" : "internal, physical";
}

VolumeDescription DiskDescription::asVolume() const
{
    VolumeDescription volume = *this;
    volume.removable = removable || usb;
    return volume;
}

}
