#include "Tools/Common/SysfsBlock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace Tools {

namespace {

std::string readLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::optional<dev_t> parseDeviceNumber(const std::string& text)
{
    unsigned major = 0;
    unsigned minor = 0;
    if (std::sscanf(text.c_str(), "%u:%u", &major, &minor) != 2)
        return std::nullopt;
    return makedev(major, minor);
}

}

std::string deviceNumberText(dev_t number)
{
    return std::to_string(major(number)) + ":" + std::to_string(minor(number));
}

SysfsBlock::SysfsBlock(std::string sysDir)
    : m_sysDir(std::move(sysDir))
{
}

bool SysfsBlock::exists(dev_t number) const
{
    std::error_code error;
    return fs::exists(m_sysDir + "/dev/block/" + deviceNumberText(number), error);
}

std::optional<BlockDeviceInfo> SysfsBlock::describe(dev_t number) const
{
    return describePath(m_sysDir + "/dev/block/" + deviceNumberText(number));
}

std::optional<BlockDeviceInfo> SysfsBlock::describeByName(const std::string& kernelName) const
{
    return describePath(m_sysDir + "/class/block/" + kernelName);
}

std::optional<BlockDeviceInfo> SysfsBlock::describePath(const std::string& path) const
{
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    if (error)
        return std::nullopt;
    auto number = parseDeviceNumber(readLine(real / "dev"));
    if (!number)
        return std::nullopt;

    BlockDeviceInfo info;
    info.number = *number;
    info.kernelName = real.filename().string();
    std::string partition = readLine(real / "partition");
    fs::path disk = real;
    if (!partition.empty()) {
        info.isPartition = true;
        info.partitionNumber = std::atoi(partition.c_str());
        disk = real.parent_path();
        info.parent = parseDeviceNumber(readLine(disk / "dev")).value_or(0);
    }
    info.sizeBytes = std::strtoull(readLine(real / "size").c_str(), nullptr, 10) * 512;
    info.removable = readLine(disk / "removable") == "1";
    info.diskSequence = std::strtoull(readLine(disk / "diskseq").c_str(), nullptr, 10);
    info.isLoop = fs::exists(disk / "loop", error);
    if (info.isLoop)
        info.backingFile = readLine(disk / "loop" / "backing_file");
    info.isUsb = real.string().find("/usb") != std::string::npos;
    return info;
}

std::vector<BlockDeviceInfo> SysfsBlock::partitionsOf(dev_t disk) const
{
    std::vector<BlockDeviceInfo> partitions;
    std::error_code error;
    fs::path real = fs::canonical(m_sysDir + "/dev/block/" + deviceNumberText(disk), error);
    if (error)
        return partitions;
    for (const auto& entry : fs::directory_iterator(real, error)) {
        if (!fs::exists(entry.path() / "partition"))
            continue;
        if (auto info = describePath(entry.path().string()))
            partitions.push_back(*info);
    }
    std::sort(partitions.begin(), partitions.end(), [](const auto& a, const auto& b) { return a.partitionNumber < b.partitionNumber; });
    return partitions;
}

}
