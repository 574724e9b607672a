#include "platform/RedirectionTrust.h"

namespace sv {

bool EnableRedirectionTrust(SetProcessMitigationPolicyFunction setPolicy) noexcept {
    if (!setPolicy) return false;
    RedirectionTrustPolicy policy{kEnforceRedirectionTrust};
    return setPolicy(kProcessRedirectionTrustPolicy, &policy, sizeof policy) != FALSE;
}

bool EnableRedirectionTrust() noexcept {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return false;
    return EnableRedirectionTrust(reinterpret_cast<SetProcessMitigationPolicyFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetProcessMitigationPolicy"))));
}

}  // namespace sv
