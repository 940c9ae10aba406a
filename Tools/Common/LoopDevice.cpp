#include "Tools/Common/LoopDevice.h"

#include "Platform/Foundation/FileDescriptor.h"

#include <blkid/blkid.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/blkpg.h>
#include <linux/loop.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Tools {

namespace {

int partitionIoctl(int fd, int operation, int number, long long start, long long length)
{
    blkpg_partition partition {};
    partition.pno = number;
    partition.start = start;
    partition.length = length;
    blkpg_ioctl_arg argument {};
    argument.op = operation;
    argument.datalen = sizeof partition;
    argument.data = &partition;
    return ioctl(fd, BLKPG, &argument);
}

}

Expected<std::string> LoopDevice::attach(const std::string& imagePath)
{
    FileDescriptor image(open(imagePath.c_str(), O_RDWR | O_CLOEXEC));
    if (image.get() < 0)
        return Error::system(errno, imagePath);
    FileDescriptor control(open("/dev/loop-control", O_RDWR | O_CLOEXEC));
    if (control.get() < 0)
        return Error::system(errno, "/dev/loop-control");

    // Another program may take the free device between asking and configuring.
    for (int attempt = 0; attempt < 20; ++attempt) {
        int number = ioctl(control.get(), LOOP_CTL_GET_FREE);
        if (number < 0)
            return Error::system(errno, "no free loop device");
        std::string node = "/dev/loop" + std::to_string(number);
        FileDescriptor loop(open(node.c_str(), O_RDWR | O_CLOEXEC));
        if (loop.get() < 0)
            return Error::system(errno, node);
        loop_config config {};
        config.fd = static_cast<unsigned>(image.get());
        // With scanning on, the kernel drops the partitions itself when the
        // device is finally released, also after a lazy detach.
        config.info.lo_flags = LO_FLAGS_PARTSCAN;
        std::strncpy(reinterpret_cast<char*>(config.info.lo_file_name), imagePath.c_str(), LO_NAME_SIZE - 1);
        if (ioctl(loop.get(), LOOP_CONFIGURE, &config) == 0)
            return node;
        if (errno != EBUSY)
            return Error::system(errno, node);
    }
    return Error::message("no free loop device");
}

Expected<void> LoopDevice::addPartitions(const std::string& loopNode)
{
    FileDescriptor loop(open(loopNode.c_str(), O_RDONLY | O_CLOEXEC));
    if (loop.get() < 0)
        return Error::system(errno, loopNode);
    std::unique_ptr<blkid_struct_probe, decltype(&blkid_free_probe)> probe(blkid_new_probe(), blkid_free_probe);
    if (!probe || blkid_probe_set_device(probe.get(), loop.get(), 0, 0) != 0)
        return Error::message(loopNode + ": cannot be probed");
    blkid_partlist list = blkid_probe_get_partitions(probe.get());
    if (!list)
        return {};
    int count = blkid_partlist_numof_partitions(list);
    for (int index = 0; index < count; ++index) {
        blkid_partition partition = blkid_partlist_get_partition(list, index);
        // The table counts 512-byte sectors; BLKPG wants bytes.
        long long start = static_cast<long long>(blkid_partition_get_start(partition)) * 512;
        long long length = static_cast<long long>(blkid_partition_get_size(partition)) * 512;
        int number = blkid_partition_get_partno(partition);
        if (partitionIoctl(loop.get(), BLKPG_ADD_PARTITION, number, start, length) == 0 || errno == EBUSY)
            continue;
        int code = errno;
        return Error::system(code, loopNode + " partition " + std::to_string(number));
    }
    return {};
}

Expected<void> LoopDevice::removePartitions(const std::string& loopNode)
{
    FileDescriptor loop(open(loopNode.c_str(), O_RDONLY | O_CLOEXEC));
    if (loop.get() < 0)
        return Error::system(errno, loopNode);
    Expected<void> outcome;
    // Partition numbers above the primary four appear with extended tables.
    for (int number = 1; number <= 128; ++number) {
        if (partitionIoctl(loop.get(), BLKPG_DEL_PARTITION, number, 0, 0) == 0 || errno == ENXIO || !outcome)
            continue;
        int code = errno;
        outcome = Error::system(code, loopNode + " partition " + std::to_string(number));
    }
    return outcome;
}

Expected<void> LoopDevice::detach(const std::string& loopNode)
{
    FileDescriptor loop(open(loopNode.c_str(), O_RDONLY | O_CLOEXEC));
    if (loop.get() < 0)
        return Error::system(errno, loopNode);
    // The device may still be held for a moment by a process that is letting go.
    int code = EBUSY;
    for (int attempt = 0; attempt < 50 && code == EBUSY; ++attempt) {
        if (ioctl(loop.get(), LOOP_CLR_FD, 0) == 0)
            return {};
        code = errno;
        if (code == EBUSY)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return Error::system(code, loopNode);
}

std::optional<std::string> LoopDevice::holding(const std::string& imagePath, const std::string& sysDir)
{
    struct stat image {};
    if (stat(imagePath.c_str(), &image) != 0)
        return std::nullopt;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sysDir + "/block", error)) {
        std::string name = entry.path().filename().string();
        if (!name.starts_with("loop") || !std::filesystem::exists(entry.path() / "loop" / "backing_file", error))
            continue;
        std::string node = "/dev/" + name;
        FileDescriptor loop(open(node.c_str(), O_RDONLY | O_CLOEXEC));
        loop_info64 info {};
        // The kernel gives the image's device and inode as stat does, so a
        // path through another link or mount still names the same file.
        if (loop.get() >= 0 && ioctl(loop.get(), LOOP_GET_STATUS64, &info) == 0 && info.lo_device == image.st_dev
            && info.lo_inode == image.st_ino)
            return node;
    }
    return std::nullopt;
}

bool LoopDevice::isBound(const std::string& loopNode)
{
    FileDescriptor loop(open(loopNode.c_str(), O_RDONLY | O_CLOEXEC));
    loop_info64 info {};
    return loop.get() >= 0 && ioctl(loop.get(), LOOP_GET_STATUS64, &info) == 0;
}

}
