#include "Platform/Security/Authorization.h"

#include <unistd.h>

#include "Platform/Foundation/ProcessEntry.h"
#include "Platform/Security/AuthorizationAuthority.h"

OSStatus AuthorizationCreate(const AuthorizationRights* rights, const AuthorizationEnvironment* environment,
                             AuthorizationFlags flags, AuthorizationRef* authorization)
{
    auto reference = std::make_shared<AuthorizationOpaqueRef>();
    reference->pid = ::getpid();
    reference->uid = AuthorizationAuthority::shared()->callerUid();
    if (auto self = ProcessEntry::read(reference->pid))
        reference->startTicks = self->startTicks;
    if (rights && rights->count > 0) {
        OSStatus status = AuthorizationCopyRights(reference, rights, environment, flags, nullptr);
        if (status != errAuthorizationSuccess)
            return status;
    }
    // A caller that only wants the rights checked may pass no place for the reference.
    if (authorization)
        *authorization = std::move(reference);
    return errAuthorizationSuccess;
}

OSStatus AuthorizationCopyRights(const AuthorizationRef& authorization, const AuthorizationRights* rights,
                                 const AuthorizationEnvironment*, AuthorizationFlags flags,
                                 AuthorizationRights** authorizedRights)
{
    if (authorizedRights)
        *authorizedRights = nullptr;
    if (!authorization)
        return errAuthorizationInvalidRef;
    if (!rights || (rights->count > 0 && !rights->items))
        return errAuthorizationInvalidSet;
    bool interactive = (flags & kAuthorizationFlagInteractionAllowed) != 0;
    for (std::uint32_t index = 0; index < rights->count; ++index) {
        const char* right = rights->items[index].name;
        if (!right || !*right)
            return errAuthorizationInvalidSet;
        if (authorization->holds(right))
            continue;
        if ((flags & kAuthorizationFlagExtendRights) == 0)
            return errAuthorizationDenied;
        OSStatus status = AuthorizationAuthority::shared()->authorize(*authorization, right, interactive);
        if (status != errAuthorizationSuccess)
            return status;
        authorization->grantedRights.insert(right);
    }
    return errAuthorizationSuccess;
}
