#include "support/FstabEntries.h"

#include <libmount/libmount.h>

std::vector<FstabEntry> fstabEntries(const std::string& path)
{
    std::vector<FstabEntry> entries;
    libmnt_table* table = mnt_new_table();
    // A line it cannot parse is an error, not skipped.
    mnt_table_set_parser_errcb(table, [](libmnt_table*, const char*, int) { return -1; });
    if (mnt_table_parse_file(table, path.c_str()) == 0) {
        libmnt_iter* iterator = mnt_new_iter(MNT_ITER_FORWARD);
        libmnt_fs* fs = nullptr;
        auto text = [](const char* value) { return std::string(value ? value : ""); };
        while (mnt_table_next_fs(table, iterator, &fs) == 0)
            entries.push_back({text(mnt_fs_get_source(fs)), text(mnt_fs_get_target(fs)), text(mnt_fs_get_fstype(fs)),
                               text(mnt_fs_get_options(fs))});
        mnt_free_iter(iterator);
    }
    mnt_unref_table(table);
    return entries;
}
