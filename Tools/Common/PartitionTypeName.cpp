#include "Tools/Common/PartitionTypeName.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

namespace Tools {

namespace {

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string mbrTypeName(int code)
{
    switch (code) {
    case 0x01:
        return "DOS_FAT_12";
    case 0x04:
    case 0x06:
        return "DOS_FAT_16";
    case 0x05:
        return "DOS_Extended";
    case 0x07:
        return "Windows_NTFS";
    case 0x0b:
        return "DOS_FAT_32";
    case 0x0c:
        return "Windows_FAT_32";
    case 0x0e:
        return "Windows_FAT_16";
    case 0x0f:
        return "Windows_Extended";
    case 0x82:
        return "Linux_Swap";
    case 0x83:
        return "Linux";
    case 0x8e:
        return "Linux_LVM";
    case 0xaf:
        return "Apple_HFS";
    case 0xee:
    case 0xef:
        return "EFI";
    default: {
        char text[8];
        std::snprintf(text, sizeof text, "0x%02X", code & 0xff);
        return text;
    }
    }
}

const std::map<std::string, std::string>& gptTypeNames()
{
    static const std::map<std::string, std::string> names = {
        { "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", "Microsoft Basic Data" },
        { "E3C9E316-0B5C-4DB8-817D-F92DF00215AE", "Microsoft Reserved" },
        { "DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", "Windows Recovery" },
        { "C12A7328-F81F-11D2-BA4B-00A0C93EC93B", "EFI" },
        { "7C3457EF-0000-11AA-AA11-00306543ECAC", "Apple_APFS" },
        { "48465300-0000-11AA-AA11-00306543ECAC", "Apple_HFS" },
        { "426F6F74-0000-11AA-AA11-00306543ECAC", "Apple_Boot" },
        { "0FC63DAF-8483-4772-8E79-3D69D8477DE4", "Linux Filesystem" },
        { "0657FD6D-A4AB-43C4-84E5-0933C84B4F4F", "Linux_Swap" },
        { "E6D6D379-F507-44C2-A23C-238F2A3DF928", "Linux_LVM" },
    };
    return names;
}

// How the original tools name the file systems they know.
struct FileSystemNames {
    const char* type;
    const char* personality;
    const char* userVisible;
    const char* bundle;
};

const FileSystemNames* namesOf(const std::string& fsType)
{
    static constexpr FileSystemNames names[] = {
        { "ntfs", "NTFS", "Windows NT File System (NTFS)", "ntfs" },
        { "vfat", "MS-DOS FAT32", "MS-DOS (FAT32)", "msdos" },
        { "exfat", "ExFAT", "ExFAT", "exfat" },
        { "apfs", "APFS", "APFS", "apfs" },
        { "hfsplus", "Journaled HFS+", "Mac OS Extended (Journaled)", "hfs" },
    };
    for (const auto& entry : names) {
        if (fsType == entry.type)
            return &entry;
    }
    return nullptr;
}

}

std::string PartitionTypeName::scheme(const std::string& tableType)
{
    if (tableType == "dos")
        return "FDisk_partition_scheme";
    if (tableType == "gpt")
        return "GUID_partition_scheme";
    if (tableType == "mac")
        return "Apple_partition_scheme";
    return tableType;
}

std::string PartitionTypeName::forFileSystem(const std::string& fsType)
{
    if (fsType == "ntfs" || fsType == "exfat")
        return "Windows_NTFS";
    if (fsType == "vfat")
        return "DOS_FAT_32";
    if (fsType == "apfs")
        return "Apple_APFS";
    if (fsType == "hfsplus" || fsType == "hfs")
        return "Apple_HFS";
    if (fsType == "swap")
        return "Linux_Swap";
    if (fsType.starts_with("ext") || fsType == "xfs" || fsType == "btrfs")
        return "Linux";
    return fsType;
}

std::string PartitionTypeName::content(const ProbeResult& probe)
{
    if (probe.entryScheme == "dos" && !probe.entryType.empty())
        return mbrTypeName(static_cast<int>(std::strtol(probe.entryType.c_str(), nullptr, 16)));
    if (probe.entryScheme == "gpt" && !probe.entryType.empty()) {
        std::string guid = upper(probe.entryType);
        auto found = gptTypeNames().find(guid);
        return found != gptTypeNames().end() ? found->second : guid;
    }
    if (!probe.tableType.empty())
        return scheme(probe.tableType);
    return forFileSystem(probe.fsType);
}

std::string PartitionTypeName::personality(const ProbeResult& probe)
{
    const std::string& type = probe.fsType;
    if (const FileSystemNames* names = namesOf(type))
        return names->personality;
    if (type == "swap" || type.empty())
        return {};
    return type;
}

std::string PartitionTypeName::bundle(const std::string& fsType)
{
    const FileSystemNames* names = namesOf(fsType);
    return names ? names->bundle : fsType;
}

std::string PartitionTypeName::userVisibleName(const ProbeResult& probe)
{
    const FileSystemNames* names = namesOf(probe.fsType);
    return names ? names->userVisible : personality(probe);
}

}
