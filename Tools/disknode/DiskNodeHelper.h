#pragma once

#include "Tools/Common/DiskRegistry.h"
#include "Tools/Common/ToolPaths.h"

#include <sys/types.h>

#include <ostream>
#include <string>
#include <vector>

namespace Tools {

// Called by the udev rule installed with the tools, with the device's
// numbers ("8:16"):
//   add    gives an arriving disk (or partition) its /dev/diskN[sM] node
//   mount  mounts its volumes under /Volumes as the system would
//   remove deletes the nodes of a device that has gone
class DiskNodeHelper {
public:
    explicit DiskNodeHelper(ToolPaths paths);

    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

private:
    // The three verbs above.
    int add(dev_t number, std::ostream& out, std::ostream& err);
    int mount(dev_t number, std::ostream& err);
    int remove(dev_t number, std::ostream& err);

    DiskRegistry registry() const;

    ToolPaths m_paths;
};

}
