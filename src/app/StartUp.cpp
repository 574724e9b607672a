#include "app/StartUp.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <cwctype>
#include <locale>
#include <stdexcept>
#include <vector>

#include "app/InstanceCounter.h"
#include "app/Localisation.h"
#include "app/Product.h"
#include "app/ProductIdentity.h"

namespace sv {
namespace {

bool processorChecked = false;
KnownFolders knownFolders;
INIT_ONCE setUpOnce = INIT_ONCE_STATIC_INIT;
bool setUpSucceeded = false;

constexpr DWORD kRequiredCommonControls = 0x60000;  // 6.0
constexpr DWORD kCommonControlClasses = 0xC0FF;

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
    std::wstring result = SUCCEEDED(hr) && path != nullptr ? path : L"";
    CoTaskMemFree(path);
    if (FAILED(hr)) throw std::runtime_error("known folder");
    return result;
}

std::wstring Join(const std::wstring& base, const wchar_t* more) {
    wchar_t buffer[MAX_PATH] = {};
    if (base.size() >= MAX_PATH) throw std::runtime_error("path too long");
    base.copy(buffer, base.size());
    if (!PathAppendW(buffer, more)) throw std::runtime_error("path too long");
    return buffer;
}

// Parses "name,key="value",..." identities as the activation context encodes them.
std::wstring IdentityAttribute(const std::wstring& identity, const std::wstring& key) {
    const std::wstring marker = key + L"=\"";
    std::size_t at = 0;
    while ((at = identity.find(marker, at)) != std::wstring::npos) {
        if (at == 0 || identity[at - 1] == L',') {
            const std::size_t start = at + marker.size();
            const std::size_t end = identity.find(L'"', start);
            if (end == std::wstring::npos) return {};
            return identity.substr(start, end - start);
        }
        at += marker.size();
    }
    return {};
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

BOOL CALLBACK RunSetUp(PINIT_ONCE, PVOID, PVOID*) {
    setUpSucceeded = TrySetUpLibrary();
    return TRUE;
}

}  // namespace

bool ProcessorChecked() { return processorChecked; }

std::wstring UnsupportedProcessorText() {
    return L"This Version is not compatible with your Configuration.\n\n"
           L"Cette version n'est pas compatible avec votre configuration.\n\n"
           L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.";
}

void CheckProcessor() {
    if (!IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
        MessageBoxW(nullptr, UnsupportedProcessorText().c_str(), nullptr, MB_ICONERROR);
        ExitProcess(kExitUnsupportedProcessor);
    }
    processorChecked = true;
}

bool CommonControlsVersionAccepted(std::optional<DWORD> packedVersion, const std::wstring& redirectedIdentity) {
    if (packedVersion && *packedVersion >= kRequiredCommonControls) return true;
    if (redirectedIdentity.empty()) return false;
    const std::wstring name = redirectedIdentity.substr(0, redirectedIdentity.find(L','));
    if (!EqualsNoCase(name, L"Microsoft.Windows.Common-Controls")) return false;
    const std::wstring version = IdentityAttribute(redirectedIdentity, L"version");
    unsigned major = 0;
    if (version.empty() || std::swscanf(version.c_str(), L"%u", &major) != 1) return false;
    return major >= 6;
}

std::optional<DWORD> CommonControlsDllVersion() {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (comctl == nullptr) comctl = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (comctl == nullptr) comctl = LoadLibraryW(L"comctl32.dll");
    if (comctl == nullptr) return std::nullopt;
    using DllGetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    auto getVersion = reinterpret_cast<DllGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    if (getVersion == nullptr) return std::nullopt;
    DLLVERSIONINFO info = {};
    info.cbSize = sizeof info;
    if (FAILED(getVersion(&info))) return std::nullopt;
    return (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
}

std::wstring CommonControlsRedirection() {
    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof data;
    if (!FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                  ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data))
        return {};
    std::wstring identity;
    DWORD index = data.ulAssemblyRosterIndex;
    SIZE_T needed = 0;
    QueryActCtxW(0, data.hActCtx, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0, &needed);
    if (needed != 0) {
        std::vector<BYTE> buffer(needed);
        if (QueryActCtxW(0, data.hActCtx, &index, AssemblyDetailedInformationInActivationContext, buffer.data(),
                         buffer.size(), &needed)) {
            const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
            if (info->lpAssemblyEncodedAssemblyIdentity != nullptr)
                identity.assign(info->lpAssemblyEncodedAssemblyIdentity,
                                info->ulEncodedAssemblyIdentityLength / sizeof(wchar_t));
        }
    }
    if (data.hActCtx != nullptr) ReleaseActCtx(data.hActCtx);
    return identity;
}

bool TrySetUpLibrary() {
    try {
        SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        // Locale: process-wide, and the standard library's global locale from the user's default
        // locale name (the classic locale when that name is rejected).
        _configthreadlocale(_DISABLE_PER_THREAD_LOCALE);
        {
            wchar_t wide[LOCALE_NAME_MAX_LENGTH] = {};
            std::string name;
            if (GetUserDefaultLocaleName(wide, LOCALE_NAME_MAX_LENGTH) > 0)
                for (const wchar_t* p = wide; *p; ++p) name.push_back(static_cast<char>(*p));
            try {
                std::locale::global(std::locale(name));
            } catch (const std::runtime_error&) {
                std::locale::global(std::locale::classic());
            }
        }
        knownFolders.documents = KnownFolder(FOLDERID_Documents);
        knownFolders.publisherProgramData = Join(KnownFolder(FOLDERID_ProgramData), product::kPublisher);
        knownFolders.publisherAppData = Join(KnownFolder(FOLDERID_RoamingAppData), product::kPublisher);

        if (!CommonControlsVersionAccepted(CommonControlsDllVersion(), CommonControlsRedirection())) return false;
        INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
        if (!InitCommonControlsEx(&controls)) return false;
        InitApplicationId();
        // Counts this process in; a counter that cannot be created only makes the running-product
        // check pass, it is not a set-up failure.
        CountProcessIn(ApplicationId());
        return true;
    } catch (...) {
        return false;
    }
}

void SetUpLibrary() {
    InitOnceExecuteOnce(&setUpOnce, RunSetUp, nullptr, nullptr);
    if (!setUpSucceeded) {
        MessageBoxW(nullptr, L"Initialization Error", nullptr, MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
        ExitProcess(static_cast<UINT>(kExitInitializationError));
    }
}

const KnownFolders& LibraryFolders() { return knownFolders; }

}  // namespace sv
