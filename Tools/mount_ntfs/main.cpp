#include "Tools/mount_ntfs/MountNtfs.h"

#include <iostream>

int main(int argc, char** argv)
{
    Tools::MountNtfs tool { Tools::ToolPaths {} };
    return tool.run(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
}
