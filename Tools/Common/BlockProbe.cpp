#include "Tools/Common/BlockProbe.h"

#include "Tools/Common/NtfsVolumeName.h"

#include <blkid/blkid.h>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace Tools {

namespace {

std::string lookup(blkid_probe probe, const char* name)
{
    const char* value = nullptr;
    if (blkid_probe_lookup_value(probe, name, &value, nullptr) == 0 && value)
        return value;
    return {};
}

Expected<ProbeResult> probeCache(const std::string& node)
{
    blkid_cache cache = nullptr;
    if (blkid_get_cache(&cache, nullptr) != 0)
        return Error::message(node + ": permission denied");
    ProbeResult result;
    result.fromCache = true;
    blkid_dev device = blkid_get_dev(cache, node.c_str(), BLKID_DEV_FIND);
    if (!device) {
        blkid_put_cache(cache);
        return Error::message(node + ": permission denied");
    }
    blkid_tag_iterate tags = blkid_tag_iterate_begin(device);
    const char* type = nullptr;
    const char* value = nullptr;
    while (blkid_tag_next(tags, &type, &value) == 0) {
        std::string name = type;
        if (name == "TYPE")
            result.fsType = value;
        else if (name == "LABEL")
            result.label = value;
        else if (name == "UUID")
            result.uuid = value;
        else if (name == "PTTYPE")
            result.tableType = value;
    }
    blkid_tag_iterate_end(tags);
    blkid_put_cache(cache);
    return result;
}

}

Expected<ProbeResult> BlockProbe::probe(const std::string& node)
{
    int fd = open(node.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM)
            return probeCache(node);
        return Error::system(errno, node);
    }
    std::unique_ptr<blkid_struct_probe, decltype(&blkid_free_probe)> probe(blkid_new_probe(), blkid_free_probe);
    if (!probe || blkid_probe_set_device(probe.get(), fd, 0, 0) != 0) {
        close(fd);
        return Error::message(node + ": cannot be probed");
    }
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE | BLKID_SUBLKS_UUID);
    blkid_probe_enable_partitions(probe.get(), 1);
    blkid_probe_set_partitions_flags(probe.get(), BLKID_PARTS_ENTRY_DETAILS);

    ProbeResult result;
    result.size = static_cast<uint64_t>(blkid_probe_get_size(probe.get()));
    // 1 means nothing found, which is an answer too (an empty partition).
    if (blkid_do_safeprobe(probe.get()) == 0) {
        result.fsType = lookup(probe.get(), "TYPE");
        result.label = lookup(probe.get(), "LABEL");
        result.uuid = lookup(probe.get(), "UUID");
        result.tableType = lookup(probe.get(), "PTTYPE");
        result.entryScheme = lookup(probe.get(), "PART_ENTRY_SCHEME");
        result.entryType = lookup(probe.get(), "PART_ENTRY_TYPE");
        result.entryName = lookup(probe.get(), "PART_ENTRY_NAME");
        if (result.fsType == "ntfs") {
            if (auto name = NtfsVolumeName::read(fd))
                result.label = *name;
        }
    }
    probe.reset();
    close(fd);
    return result;
}

void BlockProbe::remember(const std::string& node)
{
    blkid_cache cache = nullptr;
    if (blkid_get_cache(&cache, nullptr) != 0)
        return;
    blkid_get_dev(cache, node.c_str(), BLKID_DEV_NORMAL);
    blkid_put_cache(cache);
}

}
