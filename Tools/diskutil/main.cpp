#include "Tools/diskutil/DiskUtil.h"

#include <iostream>

int main(int argc, char** argv)
{
    Tools::DiskUtil tool { Tools::ToolPaths {} };
    return tool.run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
