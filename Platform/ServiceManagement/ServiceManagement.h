#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Platform/Foundation/Expected.h"
#include "Platform/Security/Authorization.h"
#include "Platform/ServiceManagement/CFError.h"

// The domains a job can be blessed into; only the system one exists here.
inline constexpr std::string_view kSMDomainSystemLaunchd = "kSMDomainSystemLaunchd";
inline constexpr std::string_view kSMDomainUserLaunchd = "kSMDomainUserLaunchd";

inline constexpr std::string_view kSMErrorDomainLaunchd = "CFErrorDomainLaunchd";
inline constexpr long kSMErrorInternalFailure = 2;
inline constexpr long kSMErrorInvalidSignature = 3;
inline constexpr long kSMErrorAuthorizationFailure = 4;
inline constexpr long kSMErrorToolNotValid = 5;
inline constexpr long kSMErrorJobNotFound = 6;
inline constexpr long kSMErrorServiceUnavailable = 7;
inline constexpr long kSMErrorJobPlistNotFound = 8;
inline constexpr long kSMErrorInvalidPlist = 10;

// A blessing failure: the calls that bless carry one of the codes above (in
// the launchd domain) and a sentence saying what went wrong.
inline Error SMError(long code, std::string description)
{
    return {static_cast<int>(code), std::move(description)};
}

// Installs the helper tool `label` of the main bundle
// (Contents/Library/LaunchServices/<label>) as a system daemon and starts it as
// its launchd list asks. The main bundle's Info.plist must name the label under
// SMPrivilegedExecutables with a requirement on the tool's identifier, and the
// tool's embedded SMAuthorizedClients must name the main bundle's identifier.
// `authorization` must hold kSMRightBlessPrivilegedHelper. Root installs in
// this process; anyone else through pkexec and the installed blessing tool.
// On failure returns false and, when `error` is given, sets it.
bool SMJobBless(std::string_view domain, std::string_view executableLabel, const AuthorizationRef& authorization,
                CFErrorRef* error);
