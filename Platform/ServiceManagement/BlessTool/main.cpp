// parvex-bless BUNDLE LABEL: the root side of blessing for a caller that is
// not root, run through pkexec. Prints why it failed on standard error and
// exits with the service-management error code (0 on success).
#include <cstdio>
#include <string>

#include "Platform/ServiceManagement/JobBlessInstaller.h"

int main(int argc, char** argv)
{
    if (argc != 3 || argv[1][0] != '/') {
        std::fprintf(stderr, "usage: parvex-bless /path/to/App.app LABEL\n");
        return 2;
    }
    auto blessed = JobBlessInstaller().bless(argv[1], argv[2]);
    if (blessed)
        return 0;
    std::fprintf(stderr, "%s\n", blessed.error().description.c_str());
    int code = blessed.error().code;
    return code > 0 && code < 126 ? code : 2;
}
