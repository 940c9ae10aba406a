// parvex-bless BUNDLE LABEL: the root side of blessing for a caller that is
// not root, run through pkexec. Prints why it failed on standard error and
// exits with the service-management error code (0 on success).
//
// Whoever may run it gets root to start whatever helper the bundle carries,
// and polkit does not bind the arguments: so it blesses from the bundle the
// installation put in place and nothing else, and only where root alone
// could have changed that bundle's Info.plist and helper.
#include <cstdio>
#include <string>

#include "Platform/ServiceManagement/JobBlessInstaller.h"
#include "Platform/ServiceManagement/RootOwnedPath.h"
#include "Platform/ServiceManagement/ServiceManagement.h"

#ifndef PARVEX_INSTALLED_BUNDLE
#define PARVEX_INSTALLED_BUNDLE "/usr/local/lib/Parvex.app"
#endif

namespace {

Expected<void> checkBundle(const std::string& bundle, const std::string& label)
{
    if (bundle != PARVEX_INSTALLED_BUNDLE)
        return SMError(kSMErrorAuthorizationFailure, "only the installed Parvex (" PARVEX_INSTALLED_BUNDLE
                                                     ") can install its helper, not " + bundle);
    for (const std::string& path : {bundle + "/Contents/Info.plist", bundle + "/Contents/Library/LaunchServices/" + label}) {
        if (auto trusted = RootOwnedPath::check(path); !trusted)
            return SMError(kSMErrorAuthorizationFailure, "the helper is not installed from " + path + ": "
                                                             + trusted.error().description);
    }
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || argv[1][0] != '/') {
        std::fprintf(stderr, "usage: parvex-bless /path/to/App.app LABEL\n");
        return 2;
    }
    auto blessed = checkBundle(argv[1], argv[2]);
    if (blessed)
        blessed = JobBlessInstaller().bless(argv[1], argv[2]);
    if (blessed)
        return 0;
    std::fprintf(stderr, "parvex-bless: %s\n", blessed.error().description.c_str());
    int code = blessed.error().code;
    return code > 0 && code < 126 ? code : 2;
}
