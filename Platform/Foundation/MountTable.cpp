#include "Platform/Foundation/MountTable.h"

#include <libmount/libmount.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

namespace {

std::string text(const char* value)
{
    return value ? value : "";
}

bool hasOption(const std::string& options, const char* name)
{
    if (options.empty())
        return false;
    return mnt_optstr_get_option(options.c_str(), name, nullptr, nullptr) == 0;
}

std::optional<dev_t> blockDevice(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
        return std::nullopt;
    return info.st_rdev;
}

// The kernel lists mount points with every link resolved.
std::string resolved(const std::string& path)
{
    std::error_code failed;
    std::string real = std::filesystem::canonical(path, failed).string();
    return failed ? path : real;
}

// A mount of the device: by the number the kernel gives it, or, where a
// driver gives its own (FUSE), by its source node. Only sources under /dev
// are looked at: "proc", "tmpfs" and the like are no paths.
bool isOnDevice(const MountEntry& entry, dev_t number)
{
    return entry.device == number || (entry.source.starts_with("/dev/") && blockDevice(entry.source) == number);
}

}  // namespace

bool MountEntry::isReadWrite() const
{
    // Both the mount and its super block must be writable; ntfs-3g's
    // read-only fallback shows "ro" on both.
    if (!hasOption(vfsOptions, "rw"))
        return false;
    return !hasOption(fsOptions, "ro");
}

MountTable::MountTable(std::string mountInfoPath)
    : m_path(std::move(mountInfoPath))
{
}

Expected<std::vector<MountEntry>> MountTable::read() const
{
    std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)> table(mnt_new_table(), mnt_unref_table);
    if (!table)
        return Error::system(ENOMEM, "cannot read the mount table");
    if (int failed = mnt_table_parse_file(table.get(), m_path.c_str()); failed != 0)
        return Error::system(failed < 0 ? -failed : EINVAL, "cannot read the mount table ", m_path);
    std::vector<MountEntry> entries;
    std::unique_ptr<libmnt_iter, decltype(&mnt_free_iter)> iterator(mnt_new_iter(MNT_ITER_FORWARD), mnt_free_iter);
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iterator.get(), &fs) == 0) {
        MountEntry entry;
        entry.source = text(mnt_fs_get_source(fs));
        entry.target = text(mnt_fs_get_target(fs));
        entry.fsType = text(mnt_fs_get_fstype(fs));
        entry.vfsOptions = text(mnt_fs_get_vfs_options(fs));
        entry.fsOptions = text(mnt_fs_get_fs_options(fs));
        entry.device = mnt_fs_get_devno(fs);
        entry.id = mnt_fs_get_id(fs);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<MountEntry> MountTable::entries() const
{
    return read().valueOr({});
}

std::vector<MountEntry> MountTable::mountsOf(dev_t number) const
{
    return mountsOf(number, entries());
}

std::vector<MountEntry> MountTable::mountsOf(dev_t number, const std::vector<MountEntry>& entries)
{
    std::vector<MountEntry> mounts;
    for (const auto& entry : entries) {
        if (isOnDevice(entry, number))
            mounts.push_back(entry);
    }
    return mounts;
}

std::optional<MountEntry> MountTable::mountAt(const std::string& target) const
{
    std::optional<MountEntry> found;
    // The last entry for a path is the one on top.
    for (auto& entry : entries()) {
        if (entry.target == target)
            found = std::move(entry);
    }
    return found;
}

Expected<std::vector<MountEntry>> MountTable::mountsOfNode(const std::string& device) const
{
    auto entries = read();
    if (!entries)
        return entries.error();
    return mountsOfNode(device, *entries);
}

std::vector<MountEntry> MountTable::mountsOfNode(const std::string& device, const std::vector<MountEntry>& entries)
{
    const auto number = blockDevice(device);
    std::vector<MountEntry> mounts;
    for (const auto& entry : entries) {
        if (entry.source == device || (number && isOnDevice(entry, *number)))
            mounts.push_back(entry);
    }
    return mounts;
}

dev_t MountTable::deviceNumber(const std::string& node)
{
    return blockDevice(node).value_or(0);
}

const MountEntry* MountTable::topmost(const std::vector<MountEntry>& entries, const std::string& folder)
{
    const std::string real = resolved(folder);
    const MountEntry* top = nullptr;
    for (const auto& entry : entries) {
        if (entry.target == folder || entry.target == real)
            top = &entry;
    }
    return top;
}

Expected<bool> MountTable::isMountPoint(const std::string& folder) const
{
    auto entries = read();
    if (!entries)
        return entries.error();
    return topmost(*entries, folder) != nullptr;
}

Expected<bool> MountTable::isReadWriteMount(const std::string& folder, const std::string& device) const
{
    auto entries = read();
    if (!entries)
        return entries.error();
    const MountEntry* top = topmost(*entries, folder);
    if (!top || !top->isReadWrite())
        return false;
    if (top->source == device)
        return true;
    // ntfs-3g names the device it opened, which may be a link's target.
    auto wanted = blockDevice(device);
    return wanted && (top->device == *wanted || blockDevice(top->source) == wanted);
}
