#include "Platform/Security/AuthorizationAuthority.h"

#include <unistd.h>

#include <atomic>

#include "Platform/Foundation/Process.h"

namespace {

std::atomic<std::shared_ptr<AuthorizationAuthority>> sharedAuthority;

}  // namespace

std::shared_ptr<AuthorizationAuthority> AuthorizationAuthority::shared()
{
    auto authority = sharedAuthority.load();
    if (!authority) {
        auto made = std::make_shared<AuthorizationAuthority>();
        // Another thread may have made one meanwhile; then that one holds.
        authority = sharedAuthority.compare_exchange_strong(authority, made) ? made : authority;
    }
    return authority;
}

void AuthorizationAuthority::setShared(std::shared_ptr<AuthorizationAuthority> authority)
{
    sharedAuthority.store(std::move(authority));
}

AuthorizationAuthority::AuthorizationAuthority(std::string pkcheckPath)
    : AuthorizationAuthority(std::move(pkcheckPath), ::geteuid())
{
}

AuthorizationAuthority::AuthorizationAuthority(std::string pkcheckPath, uid_t callerUid)
    : m_pkcheckPath(std::move(pkcheckPath))
    , m_callerUid(callerUid)
{
}

OSStatus AuthorizationAuthority::authorize(const AuthorizationOpaqueRef& subject, std::string_view right,
                                           bool allowInteraction) const
{
    if (subject.uid == 0)
        return errAuthorizationSuccess;
    // The full process form (pid, start time, uid) keeps a process that took
    // over the pid from borrowing this one's answer.
    ProcessOptions options;
    options.launchPath = m_pkcheckPath;
    options.arguments = {"--process",
                         std::to_string(subject.pid) + "," + std::to_string(subject.startTicks) + ","
                             + std::to_string(subject.uid),
                         "--action-id", actionIdentifier(right)};
    // The blessing right is used through pkexec, which asks for an
    // administrator itself, every time: asking here as well would ask the user
    // twice. A right polkit would grant after authentication counts as granted
    // now; the question comes when the blessing runs.
    const bool askedAtUse = right == kSMRightBlessPrivilegedHelper;
    if (allowInteraction && !askedAtUse)
        options.arguments.push_back("--allow-user-interaction");
    options.standardInput = std::string();
    auto result = Process::run(options);
    if (!result || result->terminationSignal != 0)
        return errAuthorizationDenied;
    if (askedAtUse && allowInteraction && result->exitStatus == 2)
        return errAuthorizationSuccess;
    return statusForPkcheckExit(result->exitStatus, allowInteraction);
}

std::string AuthorizationAuthority::actionIdentifier(std::string_view right)
{
    if (right == kSMRightBlessPrivilegedHelper)
        return std::string(blessActionIdentifier);
    return std::string(right);
}

OSStatus AuthorizationAuthority::statusForPkcheckExit(int exitStatus, bool allowInteraction)
{
    switch (exitStatus) {
    case 0:
        return errAuthorizationSuccess;
    case 2:
        // Asking was needed: not allowed by the caller, or nobody could ask.
        return allowInteraction ? errAuthorizationDenied : errAuthorizationInteractionNotAllowed;
    case 3:
        return errAuthorizationCanceled;
    default:
        // 1 is a refusal; 126 and 127 mean polkit could not be asked at all.
        return errAuthorizationDenied;
    }
}
