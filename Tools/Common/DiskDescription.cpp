#include "Tools/Common/DiskDescription.h"

#include "Platform/Foundation/UTF8.h"
#include "Tools/Common/PartitionTypeName.h"

namespace Tools {

bool VolumeDescription::hasFileSystem() const
{
    return !PartitionTypeName::personality(probe).empty();
}

std::string VolumeDescription::name() const
{
    // A line feed in a label would make one volume two lines of a listing
    // (and a mount point two lines of df): names are shown escaped, and
    // named so in return.
    if (!probe.label.empty())
        return UTF8::escapedControls(probe.label);
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
