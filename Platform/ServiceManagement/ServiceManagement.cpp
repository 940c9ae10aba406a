#include "Platform/ServiceManagement/ServiceManagement.h"

#include <unistd.h>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/Process.h"
#include "Platform/ServiceManagement/JobBlessInstaller.h"

namespace {

// The caller is not root: the installed blessing tool does the same work as
// root under pkexec, where polkit asks for an administrator (the one time the
// user is asked: the authorisation before only made sure polkit would).
Expected<void> blessThroughPkexec(const JobBlessLocations& locations, const std::string& bundlePath,
                                  const std::string& label)
{
    auto result = Process::run({.launchPath = locations.pkexec,
                                .arguments = {"--disable-internal-agent", locations.blessTool, bundlePath, label},
                                .standardInput = ""});
    if (!result)
        return SMError(kSMErrorServiceUnavailable, result.error().description);
    if (result->exitStatus == 0)
        return {};
    std::string message = result->trimmedStandardError();
    // pkexec's own failures: refused or dismissed (126), or not found (127).
    if (result->exitStatus == 126)
        return SMError(kSMErrorAuthorizationFailure, "pkexec refused to run " + locations.blessTool
                           + (message.empty() ? std::string() : ": " + message));
    if (result->exitStatus == 127 || result->exitStatus < 0)
        return SMError(kSMErrorServiceUnavailable, "pkexec could not run " + locations.blessTool
                           + (message.empty() ? std::string() : ": " + message));
    return SMError(result->exitStatus, message.empty() ? "the blessing tool failed" : message);
}

}  // namespace

bool SMJobBless(std::string_view domain, std::string_view executableLabel, const AuthorizationRef& authorization,
                CFErrorRef* error)
{
    Expected<void> outcome;
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
    if (error) {
        *error = outcome ? nullptr
                         : std::make_shared<CFError>(std::string(kSMErrorDomainLaunchd), outcome.error().code,
                                                     outcome.error().description);
    }
    return bool(outcome);
}
