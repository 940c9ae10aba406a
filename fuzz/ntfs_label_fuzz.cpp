// Feeds the NTFS label reader a volume whose $Volume record is the input: a
// boot sector of a fixed geometry (512-byte sectors, 4 KiB clusters, 1 KiB
// records, the MFT at cluster 4) and record 3 as given after its "FILE"
// magic, so that every input reaches the fixups and the walk over the
// attributes. The first input byte, when there is one, is the boot sector's
// record-size byte instead. The reader must stay within what it read and give
// valid UTF-8 or nothing.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Platform/Foundation/UTF8.h"
#include "Tools/Common/NtfsVolumeName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t kRecordAt = 4 * 4096 + 3 * 1024;
    std::vector<uint8_t> volume(kRecordAt + 4, 0);
    std::memcpy(&volume[3], "NTFS    ", 8);
    volume[0x0B] = 0x00;  // 512-byte sectors
    volume[0x0C] = 0x02;
    volume[0x0D] = 8;     // 8 sectors a cluster
    volume[0x30] = 4;     // the MFT's first cluster
    volume[0x40] = size > 0 ? data[0] : 0xF6;  // 2^10: 1 KiB records
    std::memcpy(&volume[kRecordAt], "FILE", 4);
    volume.insert(volume.end(), data, data + size);
    volume.resize(volume.size() + 65536, 0);

    int fd = memfd_create("ntfs-label-fuzz", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (write(fd, volume.data(), volume.size()) == static_cast<ssize_t>(volume.size())) {
        auto name = Tools::NtfsVolumeName::read(fd);
        if (name && !UTF8::isValid(*name))
            std::abort();
    }
    close(fd);
    return 0;
}
