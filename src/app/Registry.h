// Registry reads used at start-up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <system_error>

#include "platform/UniqueHandle.h"

namespace sv {

// A registry failure other than a missing key or value.
class RegistryError : public std::system_error {
public:
    RegistryError(LSTATUS status, const char* what);
};

// Opens root\path with MAXIMUM_ALLOWED. A missing key gives an empty handle; other failures
// raise RegistryError.
UniqueHKey OpenRegistryKey(HKEY root, const std::wstring& path);

// Tests make OpenRegistryKey fail: the hook answers ERROR_SUCCESS to let the real call go ahead,
// or the status the call is to fail with. An empty hook restores the real calls.
using RegistryOpenHook = std::function<LSTATUS(HKEY root, const std::wstring& path)>;
void SetRegistryOpenHook(RegistryOpenHook hook);

// Reads a REG_SZ or REG_EXPAND_SZ value (not expanded). The stored byte count must be even and
// the text must end with a NUL; `out` then receives the text without it. A missing value, another
// type or malformed data give false; other failures raise RegistryError.
bool ReadRegistryString(HKEY key, const wchar_t* name, std::wstring& out);

}  // namespace sv
