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
    explicit DiskUtil(ToolPaths paths);

    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

private:
    int list(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int info(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int mount(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int unmount(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int usage(std::ostream& err);

    ToolPaths m_paths;
    std::shared_ptr<DiskCatalog> m_catalog;
};

}
