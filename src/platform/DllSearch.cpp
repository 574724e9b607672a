#include "platform/DllSearch.h"

#include <windows.h>

namespace sv {

void RestrictDllSearchPath() noexcept {
    // Both are looked up by name: systems without the update that added them still start.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel) {
        using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
        using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
        if (const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
                ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
            setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (const auto setMode =
                reinterpret_cast<SetSearchPathModeFn>(::GetProcAddress(kernel, "SetSearchPathMode")))
            setMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    }
    // An empty string takes the current directory out of the search order.
    ::SetDllDirectoryW(L"");
}

}  // namespace sv
