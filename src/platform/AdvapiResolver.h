// Late binding to the security library (advapi32.dll).
//
// Every security function the installer uses is looked up by name the first time it is needed and
// cached in one process-wide table, so the program starts even where a function is missing and
// only the operation that needs it fails:
//
//   advapi::Call<advapi::Fn::OpenProcessToken>(::GetCurrentProcess(), TOKEN_QUERY, token.put());
//
// Failures are raised as HResultError: E_UNEXPECTED when the library cannot be loaded, E_NOTIMPL
// when it lacks the function, and for Call the HRESULT of the last error when the function answers
// FALSE. The table is not locked: all callers run on the user-interface thread (a race on first
// use would at worst resolve the same entry point twice).
#pragma once

#include <windows.h>

#include "platform/HResultError.h"

namespace sv::advapi {

// clang-format off
#define SV_ADVAPI_FUNCTIONS(X)                                                                      \
    X(OpenProcessToken) X(OpenThreadToken) X(ImpersonateSelf) X(RevertToSelf)                       \
    X(AllocateAndInitializeSid) X(FreeSid) X(GetLengthSid) X(IsValidSid) X(EqualSid)                \
    X(InitializeAcl) X(GetAclInformation) X(GetAce) X(AddAce) X(AddAccessAllowedAce)                \
    X(AddAccessAllowedAceEx)                                                                        \
    X(InitializeSecurityDescriptor) X(IsValidSecurityDescriptor) X(GetSecurityDescriptorDacl)       \
    X(SetSecurityDescriptorDacl) X(SetSecurityDescriptorOwner) X(SetSecurityDescriptorGroup)        \
    X(GetSecurityDescriptorControl) X(SetSecurityDescriptorControl)                                 \
    X(GetFileSecurityW) X(SetFileSecurityW) X(GetKernelObjectSecurity) X(SetKernelObjectSecurity)   \
    X(GetSecurityDescriptorOwner)                                                                   \
    X(CheckTokenMembership) X(AccessCheck) X(LookupPrivilegeValueW) X(AdjustTokenPrivileges)
// clang-format on

enum class Fn : unsigned {
#define SV_ADVAPI_ENUM(name) name,
    SV_ADVAPI_FUNCTIONS(SV_ADVAPI_ENUM)
#undef SV_ADVAPI_ENUM
        Count
};

// The platform's declaration of each function gives the type of its entry point.
template <Fn F>
struct Signature;
#define SV_ADVAPI_SIGNATURE(name)                \
    template <>                                  \
    struct Signature<Fn::name> {                 \
        using type = decltype(&::name);          \
    };
SV_ADVAPI_FUNCTIONS(SV_ADVAPI_SIGNATURE)
#undef SV_ADVAPI_SIGNATURE

// Loads a system library: the module already loaded under that name, else loaded from the default
// safe folders (LOAD_LIBRARY_SEARCH_DEFAULT_DIRS), else loaded without flags (systems that do not
// know the flag). Raises E_UNEXPECTED when none works.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The cached handle of advapi32.dll (LoadSystemLibrary on first use).
HMODULE Library();

// Looks an exported function of advapi32.dll up by name, without caching. Raises E_UNEXPECTED or
// E_NOTIMPL.
FARPROC LookUp(const char* exportName);

// The cached entry point of a function of the table; raises E_UNEXPECTED or E_NOTIMPL.
FARPROC Resolve(Fn fn);

template <Fn F>
typename Signature<F>::type Get() {
    return reinterpret_cast<typename Signature<F>::type>(Resolve(F));
}

// The entry point, or null when the library lacks the function (other failures still raise).
template <Fn F>
typename Signature<F>::type TryGet() {
    try {
        return Get<F>();
    } catch (const HResultError& error) {
        if (error.code() == E_NOTIMPL) return nullptr;
        throw;
    }
}

// Calls a function that answers FALSE on failure; raises the HRESULT of the last error then.
template <Fn F, typename... Args>
void Call(Args... args) {
    if (!Get<F>()(args...)) RaiseLastError();
}

// How entry points are found in the library; GetProcAddress unless a test replaces it.
using LookUpFunction = FARPROC (*)(HMODULE module, const char* exportName);

// Replaces the look-up (null restores GetProcAddress) and empties the cached entry points, so that
// a test can make functions appear missing.
void SetLookUpForTest(LookUpFunction lookUp) noexcept;

}  // namespace sv::advapi
