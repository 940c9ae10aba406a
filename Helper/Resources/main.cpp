// Writes the status-bar icon into the menu-bar app's bundle at build time:
//   StatusIconMaker <output.png>
#include <cstdio>

#include "Helper/Resources/StatusIconMaker.h"
#include "Platform/Foundation/FileManager.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    if (auto written = FileManager::writeAtomically(argv[1], StatusIconMaker::png()); !written) {
        std::fprintf(stderr, "%s: %s\n", argv[1], written.error().description.c_str());
        return 1;
    }
    return 0;
}
