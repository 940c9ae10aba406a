#include "support/AttachedDisk.h"

#include <sys/stat.h>

#include <filesystem>

#include "support/NtfsImage.h"
#include "support/ShellCommand.h"

namespace {

dev_t deviceOf(const std::string& node)
{
    struct stat info {};
    if (::stat(node.c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
        return 0;
    return info.st_rdev;
}

}  // namespace

AttachedDisk::AttachedDisk(std::string image, std::string disk)
    : m_image(std::move(image))
    , m_disk(std::move(disk))
    , m_device(deviceOf("/dev/" + m_disk))
    , m_volumeDevice(deviceOf(volumeNode()))
{
}

std::unique_ptr<AttachedDisk> AttachedDisk::attach(const std::string& image, std::string* output)
{
    ShellOutput attached = runShell("hdiutil attach \"$1\"", {image});
    if (output)
        *output = attached.output + attached.error;
    // The first line names the whole disk: "/dev/disk2          \tFDisk_partition_scheme ..."
    const std::string& text = attached.output;
    if (attached.status != 0 || text.rfind("/dev/disk", 0) != 0)
        return nullptr;
    std::string disk = text.substr(5, text.find_first_of(" \t\n") - 5);
    return std::unique_ptr<AttachedDisk>(new AttachedDisk(image, disk));
}

AttachedDisk::~AttachedDisk()
{
    // A test that failed may leave a file open on the disk: then it goes
    // once that closes.
    if (!detach() && hasNodes())
        runShell("hdiutil detach -force \"$1\"", {m_disk});
    // Whatever hdiutil could not release is released here, so that no loop
    // device outlives the test.
    for (const auto& loop : NtfsImage::loopDevicesOf(m_image))
        runShell("partx -d \"$1\" 2>/dev/null; losetup -d \"$1\"", {loop});
}

bool AttachedDisk::hasNodes() const
{
    return (m_device != 0 && deviceOf("/dev/" + m_disk) == m_device)
        || (m_volumeDevice != 0 && deviceOf(volumeNode()) == m_volumeDevice);
}

bool AttachedDisk::detach(std::string* output)
{
    return runDetach("hdiutil detach \"$1\"", output);
}

bool AttachedDisk::unplug(std::string* output)
{
    return runDetach("hdiutil detach -force \"$1\"", output);
}

bool AttachedDisk::runDetach(const std::string& command, std::string* output)
{
    if (!m_attached)
        return true;
    if (!hasNodes()) {
        m_attached = false;
        return true;
    }
    ShellOutput detached = runShell(command, {m_disk});
    if (output)
        *output = detached.output + detached.error;
    m_attached = detached.status != 0;
    return detached.status == 0;
}
