#pragma once

#include "Tools/Common/DiskCatalog.h"
#include "Tools/Common/ToolPaths.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace Tools {

// The verbs of the original `diskutil` that the volume code runs:
// list, info, mount, umount/unmount.
class DiskUtil {
public:
    // Who runs the tool. A user's mount and unmount go to root through
    // `sudo -n executable ...`; root acting for a user through sudo
    // (`forUser`) keeps to the volumes of external disks.
    struct Caller {
        bool root = false;
        bool forUser = false;
        std::string executable;

        static Caller current();
    };

    explicit DiskUtil(ToolPaths paths, Caller caller = Caller::current());

    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

private:
    int list(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int info(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int mount(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int unmount(const std::string& verb, const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int usage(std::ostream& err);

    // Whether the caller is limited to external volumes.
    bool restricted() const { return !m_caller.root || m_caller.forUser; }
    // Checks a restricted caller's target and the volume it names.
    std::optional<VolumeDescription> findPermittedVolume(const std::string& target, std::ostream& err) const;
    // Runs `arguments` as root through sudo when allowed (does not return
    // then); otherwise prints `refusal` and fails.
    int relayToRoot(const std::vector<std::string>& arguments, const std::string& refusal, std::ostream& out, std::ostream& err) const;

    ToolPaths m_paths;
    Caller m_caller;
    std::shared_ptr<DiskCatalog> m_catalog;
};

}
