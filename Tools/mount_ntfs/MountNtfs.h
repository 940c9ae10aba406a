#pragma once

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/FileDescriptor.h"
#include "Platform/Foundation/MountTable.h"
#include "Tools/Common/ToolPaths.h"

#include <ostream>
#include <string>
#include <vector>

namespace Tools {

struct MountNtfsRequest {
    std::string node;
    std::string directory;
    bool readWrite = false;
};

// `mount_ntfs [-o options] NODE DIR`: ntfs-3g on the node. A read-write
// request never ends in a read-only mount that looks like success.
class MountNtfs {
public:
    explicit MountNtfs(ToolPaths paths);

    int run(const std::vector<std::string>& arguments, std::ostream& err);

    // Accepts the original's options that mean something here; "nobrowse"
    // (no desktop icon) is accepted and has nothing to do.
    static Expected<MountNtfsRequest> parse(const std::vector<std::string>& arguments);

private:
    // The folder at `directory` if it is the user's, reached without links.
    static Expected<FileDescriptor> openUsersFolder(const std::string& directory, uid_t user);
    // Read-only mounts under /Volumes: the system's own, which a read-write
    // mount of the same volume replaces.
    bool areSystemMounts(const std::vector<MountEntry>& mounts) const;
    // Takes the volume's system mounts down and mounts it on `target` as
    // asked. A failure leaves no mount of ours; the system's are then for
    // the caller to give back.
    Expected<void> mountInstead(const std::vector<MountEntry>& existing, const MountNtfsRequest& request, dev_t device,
                                const std::string& target, std::ostream& err) const;
    void restoreSystemMounts(const std::string& node, const std::vector<MountEntry>& mounts, std::ostream& err) const;

    ToolPaths m_paths;
};

}
