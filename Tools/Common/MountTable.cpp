#include "Tools/Common/MountTable.h"

#include <libmount/libmount.h>
#include <memory>
#include <sys/stat.h>

namespace Tools {

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

}

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

std::vector<MountEntry> MountTable::entries() const
{
    std::vector<MountEntry> entries;
    std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)> table(mnt_new_table(), mnt_unref_table);
    if (!table || mnt_table_parse_file(table.get(), m_path.c_str()) != 0)
        return entries;
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

std::vector<MountEntry> MountTable::mountsOf(dev_t number) const
{
    return mountsOf(number, entries());
}

std::vector<MountEntry> MountTable::mountsOf(dev_t number, const std::vector<MountEntry>& entries)
{
    std::vector<MountEntry> mounts;
    for (const auto& entry : entries) {
        bool matches = entry.device == number;
        if (!matches && entry.source.starts_with("/dev/")) {
            struct stat info {};
            matches = stat(entry.source.c_str(), &info) == 0 && S_ISBLK(info.st_mode) && info.st_rdev == number;
        }
        if (matches)
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

}
