#pragma once

#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/PropertyListValue.h"

// A helper tool that passed the checks, with what installing it needs.
struct VerifiedHelperTool {
    std::string label;
    std::string toolPath;
    PropertyListValue::Dictionary launchdList;
};

// Checks that an app bundle and the helper tool it carries name each other:
// the app's Info.plist lists the tool's label under SMPrivilegedExecutables with
// a requirement on the tool's identifier, and the tool's embedded information
// list names the app's identifier under SMAuthorizedClients. A failure carries
// a kSMError code and says which side does not match.
class HelperToolVerifier {
public:
    static constexpr const char* infoSection = "__info_plist";
    static constexpr const char* launchdSection = "__launchd_plist";

    static Expected<VerifiedHelperTool> verify(const std::string& bundlePath, const std::string& label);
};
