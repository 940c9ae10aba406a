#pragma once

#include "Platform/Security/Authorization.h"

// Installs the privileged agent as a system launchd job: an authorisation
// first, then the blessing.
class JobBless {
public:
    static constexpr const char* label = "top.kestrova.macOS.Parvex.Agent";

    // Replaces the process-wide authorisation reference with a new one.
    static bool createAuthorization();
    // Obtains the blessing right (the user may be asked) and blesses the agent.
    static bool install();

private:
    static AuthorizationRef& authRef();
};
