#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

// The authorisation calls as the platform spells them, with its status codes,
// so callers log the very numbers a user of the original would see.
using OSStatus = std::int32_t;
using AuthorizationFlags = std::uint32_t;

inline constexpr OSStatus errAuthorizationSuccess = 0;
inline constexpr OSStatus errAuthorizationInvalidSet = -60001;
inline constexpr OSStatus errAuthorizationInvalidRef = -60002;
inline constexpr OSStatus errAuthorizationDenied = -60005;
inline constexpr OSStatus errAuthorizationCanceled = -60006;
inline constexpr OSStatus errAuthorizationInteractionNotAllowed = -60007;

inline constexpr AuthorizationFlags kAuthorizationFlagDefaults = 0;
inline constexpr AuthorizationFlags kAuthorizationFlagInteractionAllowed = 1u << 0;
inline constexpr AuthorizationFlags kAuthorizationFlagExtendRights = 1u << 1;
// Asking ahead is all this platform does anyway.
inline constexpr AuthorizationFlags kAuthorizationFlagPreAuthorize = 1u << 4;

// The right to install a privileged helper tool.
inline constexpr const char* kSMRightBlessPrivilegedHelper = "com.apple.ServiceManagement.blesshelper";

struct AuthorizationItem {
    const char* name = nullptr;
    std::size_t valueLength = 0;
    void* value = nullptr;
    std::uint32_t flags = 0;
};

struct AuthorizationItemSet {
    std::uint32_t count = 0;
    AuthorizationItem* items = nullptr;
};
using AuthorizationRights = AuthorizationItemSet;
using AuthorizationEnvironment = AuthorizationItemSet;

// What a reference stands for: the process that made it and the rights it was
// granted so far.
struct AuthorizationOpaqueRef {
    pid_t pid = 0;
    unsigned long long startTicks = 0;
    uid_t uid = 0;
    std::set<std::string, std::less<>> grantedRights;

    bool holds(std::string_view right) const { return grantedRights.find(right) != grantedRights.end(); }
};
// Released when the last holder lets go.
using AuthorizationRef = std::shared_ptr<AuthorizationOpaqueRef>;

// A new reference for this process; with rights and kAuthorizationFlagExtendRights
// it also obtains them, as AuthorizationCopyRights does.
OSStatus AuthorizationCreate(const AuthorizationRights* rights, const AuthorizationEnvironment* environment,
                             AuthorizationFlags flags, AuthorizationRef* authorization);

// Obtains every right of the set for the reference, one after the other, and
// stops at the first that is not granted. Root holds every right; anyone else
// is asked through polkit, which may show its authentication dialog (and block
// until it is answered) when interaction is allowed; without
// kAuthorizationFlagExtendRights only rights already held pass. The
// environment carries no information this platform uses, and the granted
// rights are kept by the reference, not handed out.
OSStatus AuthorizationCopyRights(const AuthorizationRef& authorization, const AuthorizationRights* rights,
                                 const AuthorizationEnvironment* environment, AuthorizationFlags flags,
                                 AuthorizationRights** authorizedRights);
