#include "Platform/Security/Authorization.h"

#include <unistd.h>

#include <vector>

#include "Platform/AppKit/ProcessEntry.h"
#include "Platform/Security/AuthorizationAuthority.h"

namespace {

constexpr AuthorizationFlags kKnownFlags = kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights
    | kAuthorizationFlagPartialRights | kAuthorizationFlagDestroyRights | kAuthorizationFlagPreAuthorize;

bool validSet(const AuthorizationItemSet* set)
{
    if (!set)
        return true;
    if (set->count > 0 && !set->items)
        return false;
    for (std::uint32_t index = 0; index < set->count; ++index) {
        const AuthorizationItem& item = set->items[index];
        if (!item.name || !*item.name || (item.valueLength > 0 && !item.value))
            return false;
    }
    return true;
}

}  // namespace

OSStatus AuthorizationCreate(const AuthorizationRights* rights, const AuthorizationEnvironment* environment,
                             AuthorizationFlags flags, AuthorizationRef* authorization)
{
    if ((flags & ~kKnownFlags) != 0)
        return errAuthorizationInvalidFlags;
    if (!validSet(rights) || !validSet(environment))
        return errAuthorizationInvalidSet;
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
                                 const AuthorizationEnvironment* environment, AuthorizationFlags flags,
                                 AuthorizationRights** authorizedRights)
{
    // The rights granted are not handed out as a set here; the reference keeps them.
    if (authorizedRights)
        *authorizedRights = nullptr;
    if (!authorization)
        return errAuthorizationInvalidRef;
    if ((flags & ~kKnownFlags) != 0)
        return errAuthorizationInvalidFlags;
    if (!rights || !validSet(rights) || !validSet(environment))
        return errAuthorizationInvalidSet;

    bool extend = (flags & kAuthorizationFlagExtendRights) != 0;
    bool interactive = (flags & kAuthorizationFlagInteractionAllowed) != 0;
    bool partial = (flags & kAuthorizationFlagPartialRights) != 0;
    auto authority = AuthorizationAuthority::shared();
    std::vector<std::string> granted;
    OSStatus firstFailure = errAuthorizationSuccess;
    for (std::uint32_t index = 0; index < rights->count; ++index) {
        std::string right = rights->items[index].name;
        if (authorization->holds(right))
            continue;
        OSStatus status = extend ? authority->authorize(*authorization, right, interactive) : errAuthorizationDenied;
        if (status == errAuthorizationSuccess) {
            granted.push_back(right);
            continue;
        }
        if (firstFailure == errAuthorizationSuccess)
            firstFailure = status;
        // A cancelled dialog ends the request; asking again for the next right
        // would show the user another dialog they did not want.
        if (!partial || status == errAuthorizationCanceled)
            return status;
    }
    if (partial && granted.empty() && firstFailure != errAuthorizationSuccess)
        return firstFailure;
    if ((flags & kAuthorizationFlagDestroyRights) == 0)
        authorization->grantedRights.insert(granted.begin(), granted.end());
    return errAuthorizationSuccess;
}

OSStatus AuthorizationFree(const AuthorizationRef& authorization, AuthorizationFlags flags)
{
    if (!authorization)
        return errAuthorizationInvalidRef;
    if ((flags & kAuthorizationFlagDestroyRights) != 0)
        authorization->grantedRights.clear();
    return errAuthorizationSuccess;
}
