#include "App/JobBless.h"

#include "Platform/ServiceManagement/ServiceManagement.h"
#include "Shared/Console.h"

AuthorizationRef& JobBless::authRef()
{
    // Never released explicitly: it lives until the process ends.
    static AuthorizationRef reference;
    return reference;
}

bool JobBless::createAuthorization()
{
    OSStatus status = AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &authRef());
    if (status != errAuthorizationSuccess) {
        Console::shared().printLog("AuthorizationCreate really shouldn't fail", "createAuthorization()");
        return false;
    }
    return true;
}

bool JobBless::install()
{
    AuthorizationItem right{kSMRightBlessPrivilegedHelper, 0, nullptr, 0};
    AuthorizationRights rights{1, &right};
    AuthorizationFlags flags = kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights
        | kAuthorizationFlagPreAuthorize;
    OSStatus status = AuthorizationCopyRights(authRef(), &rights, &rights, flags, nullptr);
    if (status != errAuthorizationSuccess) {
        Console::shared().printLog("Failed to copy AuthorizationRef, return code " + std::to_string(status), "install()");
        return false;
    }

    CFErrorRef error;
    if (SMJobBless(kSMDomainSystemLaunchd, label, authRef(), &error)) {
        Console::shared().printLog("SMJobBless Success", "install()");
        return true;
    }
    // The platform always explains a failure; say so plainly if it ever does not.
    std::string description = error ? error->description() : "unknown error";
    Console::shared().printLog("SMJobBless Failed, error : " + description + "!", "install()");
    return false;
}
