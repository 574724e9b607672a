#include "platform/VersionResolver.h"

#include <cwchar>

namespace sv {

HMODULE LoadSystemFolderLibrary(const wchar_t* name) noexcept {
    wchar_t path[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + std::wcslen(name) >= MAX_PATH) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    path[length] = L'\\';
    std::wcscpy(path + length + 1, name);
    HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags reject them as an invalid parameter.
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) module = ::LoadLibraryExW(path, nullptr, 0);
    return module;
}

namespace version {
namespace {

// Function is the platform's declaration's type, taken with decltype: naming the function itself
// would import it.
template <typename Function>
Function Resolve(const char* exportName) noexcept {
    HMODULE library = Library();
    if (!library) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const FARPROC entry = ::GetProcAddress(library, exportName);
    if (!entry) ::SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<Function>(entry);
}

}  // namespace

HMODULE Library() noexcept {
    static const HMODULE library = LoadSystemFolderLibrary(L"version.dll");
    return library;
}

DWORD GetFileVersionInfoSize(const wchar_t* path, DWORD* handle) noexcept {
    static const auto entry = Resolve<decltype(&::GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    return entry ? entry(path, handle) : 0;
}

BOOL GetFileVersionInfo(const wchar_t* path, DWORD handle, DWORD size, void* data) noexcept {
    static const auto entry = Resolve<decltype(&::GetFileVersionInfoW)>("GetFileVersionInfoW");
    return entry ? entry(path, handle, size, data) : FALSE;
}

BOOL VerQueryValue(const void* block, const wchar_t* subBlock, void** buffer, UINT* length) noexcept {
    static const auto entry = Resolve<decltype(&::VerQueryValueW)>("VerQueryValueW");
    return entry ? entry(block, subBlock, buffer, length) : FALSE;
}

}  // namespace version
}  // namespace sv
