#include "Platform/Security/AuthorizationAuthority.h"

#include <unistd.h>

#include <mutex>

#include "Platform/Foundation/Process.h"

namespace {

std::mutex& sharedLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<AuthorizationAuthority>& sharedSlot()
{
    static std::shared_ptr<AuthorizationAuthority> authority;
    return authority;
}

}  // namespace

std::shared_ptr<AuthorizationAuthority> AuthorizationAuthority::shared()
{
    std::lock_guard guard(sharedLock());
    auto& authority = sharedSlot();
    if (!authority)
        authority = std::make_shared<AuthorizationAuthority>();
    return authority;
}

void AuthorizationAuthority::setShared(std::shared_ptr<AuthorizationAuthority> authority)
{
    std::lock_guard guard(sharedLock());
    sharedSlot() = std::move(authority);
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
    if (allowInteraction)
        options.arguments.push_back("--allow-user-interaction");
    options.standardInput = std::string();
    ProcessResult result = Process::run(options);
    if (result.launchError || result.terminationSignal != 0)
        return errAuthorizationDenied;
    return statusForPkcheckExit(result.exitStatus, allowInteraction);
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
