#pragma once

#include "Platform/Foundation/Expected.h"
#include "Tools/Common/BlockProbe.h"
#include "Tools/Common/SysfsBlock.h"

#include <functional>
#include <string>

namespace Tools {

// What libblkid found on each device, kept in a folder (a small file per
// device, readable by all as libblkid's own cache is) for as long as the
// device is unchanged, so that a steady listing reads no device at all.
//
// A device counts as unchanged while its identity holds: the kernel's device
// number, the disk sequence number the kernel raises when the disk gets new
// media (a loop device a new image), its size, the node it is read through
// (recreated whenever a disk is attached) and the last writes through that
// node and the kernel's own node, and for a disk image the image file. An
// answer is also trusted for a minute at most, as libblkid trusts its own.
// Only a probe that read the device is kept, which needs root: hdiutil attach
// and parvex-disknode fill the cache as they fill libblkid's.
class ProbeCache {
public:
    using Probe = std::function<Expected<ProbeResult>(const std::string& node)>;

    ProbeCache(std::string folder, std::string devDir, Probe probe = BlockProbe::probe);

    Expected<ProbeResult> probe(const std::string& node, const BlockDeviceInfo& device) const;

    // The identity as one line of text; empty when the node cannot be read.
    std::string identity(const std::string& node, const BlockDeviceInfo& device) const;

    static constexpr long maximumAge = 60;

private:
    std::string entryPath(const BlockDeviceInfo& device) const;
    static std::string serialize(const std::string& identity, long probedAt, const ProbeResult& result);
    static bool deserialize(const std::string& text, const std::string& identity, long now, long maximumAge,
                            ProbeResult& result);

    std::string m_folder;
    std::string m_devDir;
    Probe m_probe;
};

}
