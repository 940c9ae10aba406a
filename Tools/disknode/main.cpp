#include "Tools/disknode/DiskNodeHelper.h"

#include <iostream>

int main(int argc, char** argv)
{
    Tools::DiskNodeHelper helper { Tools::ToolPaths {} };
    return helper.run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
