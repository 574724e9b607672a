// Turns on the system's redirection-trust mitigation: the process then follows only those
// junctions and mount points that an administrator created, so a junction planted by a standard
// user in a folder the installer writes leads nowhere. Systems before Windows 11 (22H2 and later
// updates of 10) lack it; the installer's own link checks (payload/LinkGuard.h) hold there too.
#pragma once

#include <windows.h>

namespace sv {

// ProcessRedirectionTrustPolicy of PROCESS_MITIGATION_POLICY, and its structure, which MinGW's
// headers lack.
inline constexpr int kProcessRedirectionTrustPolicy = 16;
struct RedirectionTrustPolicy {
    DWORD flags;  // bit 0 EnforceRedirectionTrust, bit 1 AuditRedirectionTrust
};
inline constexpr DWORD kEnforceRedirectionTrust = 0x1;

using SetProcessMitigationPolicyFunction = BOOL(WINAPI*)(int policy, PVOID buffer, SIZE_T length);

// Enforces the policy through setPolicy; false (and nothing else) when setPolicy is null or fails.
bool EnableRedirectionTrust(SetProcessMitigationPolicyFunction setPolicy) noexcept;

// The same with kernel32's SetProcessMitigationPolicy, looked up at run time.
bool EnableRedirectionTrust() noexcept;

}  // namespace sv
