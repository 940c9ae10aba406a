#pragma once

#include "Tools/Common/ToolPaths.h"

#include <ostream>
#include <string>
#include <vector>

namespace Tools {

// `hdiutil attach IMAGE` and `hdiutil detach diskN`: how tests and demos plug
// a disk in and pull it out again.
class HdiUtil {
public:
    explicit HdiUtil(ToolPaths paths);

    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

    // "/dev/disk4s1        \tWindows_NTFS                   \t/Volumes/Data"
    static std::string attachLine(const std::string& node, const std::string& content, const std::string& mountPoint);

private:
    int attach(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int detach(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
    int usage(std::ostream& err);

    ToolPaths m_paths;
};

}
