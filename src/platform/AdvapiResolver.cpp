#include "platform/AdvapiResolver.h"

namespace sv::advapi {
namespace {

constexpr const char* kExportNames[] = {
#define SV_ADVAPI_NAME(name) #name,
    SV_ADVAPI_FUNCTIONS(SV_ADVAPI_NAME)
#undef SV_ADVAPI_NAME
};
static_assert(sizeof(kExportNames) / sizeof(kExportNames[0]) == static_cast<unsigned>(Fn::Count));

FARPROC DefaultLookUp(HMODULE module, const char* exportName) {
    return ::GetProcAddress(module, exportName);
}

// The process-wide table; zero-initialised before any code runs.
struct Table {
    HMODULE library;
    LookUpFunction lookUp;
    FARPROC entries[static_cast<unsigned>(Fn::Count)];
};
Table g_table;

FARPROC LookUpIn(HMODULE module, const char* exportName) {
    const LookUpFunction lookUp = g_table.lookUp ? g_table.lookUp : DefaultLookUp;
    const FARPROC entry = lookUp(module, exportName);
    if (!entry) RaiseHResult(E_NOTIMPL);
    return entry;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = ::GetModuleHandleW(name);
    if (!module) module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!module) module = ::LoadLibraryW(name);
    if (!module) RaiseHResult(E_UNEXPECTED);
    return module;
}

HMODULE Library() {
    // The library stays loaded for the life of the process: the table's entry points point into it.
    if (!g_table.library) g_table.library = LoadSystemLibrary(L"advapi32.dll");
    return g_table.library;
}

FARPROC LookUp(const char* exportName) {
    return LookUpIn(Library(), exportName);
}

FARPROC Resolve(Fn fn) {
    FARPROC& entry = g_table.entries[static_cast<unsigned>(fn)];
    if (!entry) entry = LookUp(kExportNames[static_cast<unsigned>(fn)]);
    return entry;
}

void SetLookUpForTest(LookUpFunction lookUp) noexcept {
    g_table.lookUp = lookUp;
    for (FARPROC& entry : g_table.entries) entry = nullptr;
}

}  // namespace sv::advapi
