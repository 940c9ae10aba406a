#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tools {

// A BSD-style name as the volume code sees it: "disk4" for a whole disk,
// "disk4s1" for its first partition.
class DiskIdentifier {
public:
    DiskIdentifier(int disk, int partition = 0);

    // Accepts "disk4", "disk4s1" and the node forms "/dev/disk4", "/dev/disk4s1".
    static std::optional<DiskIdentifier> parse(std::string_view text);

    int disk() const { return m_disk; }
    int partition() const { return m_partition; }
    bool isWholeDisk() const { return m_partition == 0; }
    DiskIdentifier wholeDisk() const { return DiskIdentifier(m_disk); }

    std::string name() const;
    std::string nodePath(const std::string& devDir) const;

    bool operator==(const DiskIdentifier&) const = default;
    auto operator<=>(const DiskIdentifier&) const = default;

private:
    int m_disk = 0;
    int m_partition = 0;
};

}
