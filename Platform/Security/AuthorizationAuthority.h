#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>

#include "Platform/Security/Authorization.h"

// Decides whether a process may have a right. Root may have every right; any
// other user is asked through polkit's pkcheck, for the polkit action that
// stands for the right. Where polkit cannot ask (no polkit daemon on the
// system bus, no authentication agent in the session, pkcheck missing) the
// answer is errAuthorizationDenied.
class AuthorizationAuthority {
public:
    // The polkit action installed with the app for the blessing right.
    static constexpr std::string_view blessActionIdentifier = "top.kestrova.macos.parvex.blesshelper";

    static std::shared_ptr<AuthorizationAuthority> shared();
    // Lets tests put a pkcheck double and another caller uid behind the calls.
    static void setShared(std::shared_ptr<AuthorizationAuthority> authority);

    explicit AuthorizationAuthority(std::string pkcheckPath = "/usr/bin/pkcheck");
    AuthorizationAuthority(std::string pkcheckPath, uid_t callerUid);

    // Whom new references made in this process stand for.
    uid_t callerUid() const { return m_callerUid; }

    OSStatus authorize(const AuthorizationOpaqueRef& subject, std::string_view right, bool allowInteraction) const;

    // The polkit action asked for a right: ours for the blessing right, the
    // right's own name for any other.
    static std::string actionIdentifier(std::string_view right);
    // pkcheck's exit status as an authorisation status.
    static OSStatus statusForPkcheckExit(int exitStatus, bool allowInteraction);

private:
    std::string m_pkcheckPath;
    uid_t m_callerUid;
};
