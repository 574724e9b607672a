/* A DLL planted where a program may look for libraries.
 *
 * Loaded, it leaves the file "<its own path>.loaded" beside itself, so that a test can tell from
 * outside whether a process took it. Built as svplanted.dll for the DLL-search test (loaded by bare
 * name), and as version.dll and bcrypt.dll (PLANTED_VERSION_EXPORTS: also the version functions
 * the installer uses, each leaving "<its own path>.<function>.from.<caller>", the caller being the
 * file name of the module the call came from) for the planted-library test of the installer.
 * windows.h is not included: it declares the version functions as imports. */
#include <windef.h>
#include <winbase.h>

static HINSTANCE self;

static void LeaveMarker(const wchar_t* suffix) {
    wchar_t path[2 * MAX_PATH + 128];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    lstrcatW(path, suffix);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        LeaveMarker(L".loaded");
    }
    return TRUE;
}

__declspec(dllexport) int SvPlantedMarker(void) {
    return 42;
}

#ifdef PLANTED_VERSION_EXPORTS
/* ".<function>.from.<file name of the module holding returnAddress>" */
static void LeaveCallMarker(const wchar_t* function, void* returnAddress) {
    wchar_t suffix[MAX_PATH + 96] = L".";
    wchar_t caller[MAX_PATH] = L"unknown";
    HMODULE module = NULL;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           (LPCWSTR)returnAddress, &module))
        GetModuleFileNameW(module, caller, MAX_PATH);
    const wchar_t* name = caller;
    for (const wchar_t* c = caller; *c; ++c)
        if (*c == L'\\' || *c == L'/') name = c + 1;
    lstrcatW(suffix, function);
    lstrcatW(suffix, L".from.");
    lstrcatW(suffix, name);
    LeaveMarker(suffix);
}

/* Each fails as the real function does for a file without version information. */
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
    (void)file;
    if (handle) *handle = 0;
    LeaveCallMarker(L"GetFileVersionInfoSizeW", __builtin_return_address(0));
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data) {
    (void)file, (void)handle, (void)size, (void)data;
    LeaveCallMarker(L"GetFileVersionInfoW", __builtin_return_address(0));
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
    (void)block, (void)subBlock;
    if (buffer) *buffer = NULL;
    if (length) *length = 0;
    LeaveCallMarker(L"VerQueryValueW", __builtin_return_address(0));
    return FALSE;
}
#endif
