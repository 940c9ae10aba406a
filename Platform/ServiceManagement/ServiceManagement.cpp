#include "Platform/ServiceManagement/ServiceManagement.h"

#include <unistd.h>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/Foundation/Process.h"
#include "Platform/ServiceManagement/JobBlessInstaller.h"

namespace {


std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The caller is not root: the installed blessing tool does the same work as
// root under pkexec, which polkit lets through for our action without asking
// again while the authorisation just obtained is kept.
CFErrorRef blessThroughPkexec(const JobBlessLocations& locations, const std::string& bundlePath,
                              const std::string& label)
{
    ProcessOptions options;
    options.launchPath = locations.pkexec;
    options.arguments = {"--disable-internal-agent", locations.blessTool, bundlePath, label};
    options.standardInput = std::string();
    ProcessResult result = Process::run(options);
    if (result.launchError)
        return SMError(kSMErrorServiceUnavailable, "cannot run " + locations.pkexec + ": " + *result.launchError);
    if (result.exitStatus == 0)
        return nullptr;
    std::string message = trimmed(result.standardError);
    // pkexec's own failures: refused or dismissed (126), or not found (127).
    if (result.exitStatus == 126)
        return SMError(kSMErrorAuthorizationFailure, "pkexec refused to run " + locations.blessTool
                           + (message.empty() ? std::string() : ": " + message));
    if (result.exitStatus == 127 || result.exitStatus < 0)
        return SMError(kSMErrorServiceUnavailable, "pkexec could not run " + locations.blessTool
                           + (message.empty() ? std::string() : ": " + message));
    return SMError(result.exitStatus, message.empty() ? "the blessing tool failed" : message);
}

}  // namespace

bool SMJobBless(std::string_view domain, std::string_view executableLabel, const AuthorizationRef& authorization,
                CFErrorRef* error)
{
    CFErrorRef outcome;
    if (domain != kSMDomainSystemLaunchd)
        outcome = SMError(kSMErrorInternalFailure, "helper tools can be blessed only into the system launchd domain");
    else if (!authorization || !authorization->holds(kSMRightBlessPrivilegedHelper))
        outcome = SMError(kSMErrorAuthorizationFailure,
                          std::string("the authorization does not hold the right ") + kSMRightBlessPrivilegedHelper);
    else {
        JobBlessLocations locations;
        std::string bundlePath = NSBundle::main()->bundlePath();
        std::string label(executableLabel);
        outcome = ::geteuid() == 0 ? JobBlessInstaller(locations).bless(bundlePath, label)
                                   : blessThroughPkexec(locations, bundlePath, label);
    }
    if (error)
        *error = outcome;
    return outcome == nullptr;
}
