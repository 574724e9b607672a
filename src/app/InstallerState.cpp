#include "app/InstallerState.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "app/InstanceCounter.h"
#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "app/Registry.h"
#include "app/VersionInfo.h"
#include "platform/AccessControl.h"
#include "ulog/PreviousLogStep.h"
#include "ui/framework/WinApp.h"

namespace sv {
namespace {

constexpr std::uint32_t kMsgInstaller = 1000;
constexpr std::uint32_t kMsgNeedAdministrator = 1126;
constexpr std::uint32_t kMsgCloseProduct = 1127;
constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kLogFileName[] = L"Uninstall.ulog";

HICON sharedMessageIcon = nullptr;

BOOL CALLBACK FindCaptionedRoot(HWND window, LPARAM found) {
    HWND root = GetAncestor(window, GA_ROOTOWNER);
    if (root != nullptr && (GetWindowLongW(root, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
        *reinterpret_cast<HWND*>(found) = root;
        return FALSE;
    }
    return TRUE;
}

// Gives the message box the program's icon while it is being created.
thread_local HHOOK iconHook = nullptr;
LRESULT CALLBACK SetIconOnCreate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && sharedMessageIcon != nullptr) {
        SendMessageW(reinterpret_cast<HWND>(wParam), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(sharedMessageIcon));
        SendMessageW(reinterpret_cast<HWND>(wParam), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(sharedMessageIcon));
    }
    return CallNextHookEx(iconHook, code, wParam, lParam);
}

}  // namespace

std::wstring ShellFolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

std::wstring UninstallKeyPath() { return kUninstallRoot + ProductKey(); }

std::wstring AppendPath(const std::wstring& base, const std::wstring& more) {
    wchar_t buffer[MAX_PATH] = {};
    if (base.size() >= MAX_PATH) return base.substr(0, MAX_PATH - 1);
    base.copy(buffer, base.size());
    if (!PathAppendW(buffer, more.c_str())) return base;
    return buffer;
}

std::wstring ParentFolder(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    if (slash == 2 && path.size() > 1 && path[1] == L':') return path.substr(0, 3);  // "C:\"
    return path.substr(0, slash);
}

void RegisterSharedMessageIcon(HICON icon) { sharedMessageIcon = icon; }

HWND SharedMessageOwner() {
    if (HWND active = GetActiveWindow()) return GetLastActivePopup(GetAncestor(active, GA_ROOTOWNER));
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindCaptionedRoot, reinterpret_cast<LPARAM>(&found));
    return found;
}

int SharedMessageBox(const std::wstring& text, UINT type) {
    const std::wstring caption = VersionInfo::OwnModule().ProductTitle();
    iconHook = SetWindowsHookExW(WH_CBT, SetIconOnCreate, nullptr, GetCurrentThreadId());
    const int answer = ui::ShowMessageBox(SharedMessageOwner(), text, caption.c_str(), type);
    if (iconHook != nullptr) UnhookWindowsHookEx(iconHook);
    iconHook = nullptr;
    return answer;
}

InstallerState::InstallerState()
    : instanceMutex(InstanceMutexName(ApplicationId()), false, true),
      uninstallLog(UninstallLog::Product{ProductKey(), [] { return ProductDisplayName(true); }}) {}

void InstallerState::ReadPreviousLog() { ReadPreviousLogInto(*this, uninstallLog); }

bool InstallerState::AcquireInstanceMutex() {
    if (instanceMutex.TryAcquire()) return true;
    ShowErrorCode(ERROR_BUSY);
    return false;
}

bool InstallerState::CheckAdministrator() {
    if (IsAdministrator()) return true;
    ui::AfxMessageBox(CatalogueText(kMsgNeedAdministrator), MB_ICONEXCLAMATION | MB_OK);
    return false;
}

bool InstallerState::WaitForRunningProduct() {
    while (InstanceCount() > 1) {
        const std::wstring text = FormatCatalogueText(kMsgCloseProduct, ProductDisplayName(false));
        if (ui::AfxMessageBox(text, MB_ICONEXCLAMATION | MB_RETRYCANCEL) != IDRETRY) return false;
    }
    return true;
}

InstallMode InstallerState::GetInstallMode(std::wstring* title) const {
    if (title != nullptr && (installMode == InstallMode::NewerInstalled || installMode == InstallMode::Update))
        *title = installedTitle;
    return installMode;
}

std::wstring InstallerState::ApplicationTitle() {
    return CatalogueText(kMsgInstaller) + L" \u2013 " + ProductDisplayName(true);
}

std::wstring InstallerState::ErrorCodeText(std::int32_t code) {
    const auto systemText = [](DWORD id) -> std::wstring {
        wchar_t* text = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, id,
            0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        std::wstring result = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring{};
        if (text != nullptr) LocalFree(text);
        while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n')) result.pop_back();
        return result;
    };
    std::wstring text = systemText(static_cast<DWORD>(code));
    if (text.empty()) text = systemText(static_cast<DWORD>(E_FAIL));
    if (text.empty()) text = L"Error";
    return text;
}

void InstallerState::ShowErrorCode(std::int32_t code) {
    SharedMessageBox(ErrorCodeText(code), MB_ICONEXCLAMATION | MB_OK);
}

std::wstring UnquotedPath(const std::wstring& text) {
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') return text.substr(1, text.size() - 2);
    return text;
}

std::wstring InstallerState::FindPreviousLog() const {
    std::wstring candidate;
    {
        UniqueHKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, UninstallKeyPath());
        std::wstring uninstallString;
        if (key && ReadRegistryString(key.get(), L"UninstallString", uninstallString)) {
            // Quoted since this version; earlier installations wrote the bare path.
            candidate = AppendPath(ParentFolder(UnquotedPath(uninstallString)), kLogFileName);
            if (PathExists(candidate)) return candidate;
        }
    }
    // The installer's own folder is not asked: whoever can write to the folder the installer was
    // started from (Downloads) could plant a log there, naming files for this elevated process to
    // move and delete. It counts only as the installed program's folder, the next candidate.
    const std::wstring& installed = FindInstalledProgram();
    if (!installed.empty()) {
        candidate = AppendPath(ParentFolder(installed), kLogFileName);
        if (PathExists(candidate)) return candidate;
    }
    return {};
}

void InstallerState::SettleLanguage() {
    SetLanguage(DefaultLanguage(kProductLanguageMask));
    DWORD stored = 0;
    DWORD size = sizeof stored;
    if (SHGetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), L"KvLanguage", nullptr, &stored, &size) ==
            ERROR_SUCCESS &&
        size == sizeof stored && IsProductLanguage(static_cast<std::int32_t>(stored))) {
        SetLanguage(static_cast<LanguageIndex>(stored));
    }
    if (!IsInstallerLanguage(CurrentLanguage())) SetLanguage(kEnglish);
}

void InstallerState::DetectInstallModeFrom(const std::wstring& installedProgram) {
    if (installedProgram.empty()) {
        installMode = InstallModeFor(false, std::nullopt);
        return;
    }
    const VersionInfo installed(installedProgram);
    if (installed.FixedInfo() == nullptr) {
        installMode = InstallModeFor(true, std::nullopt);
        return;
    }
    const std::uint64_t version = installed.VersionNumber();
    installMode = InstallModeFor(true, version);
    if (installMode == InstallMode::NewerInstalled || installMode == InstallMode::Update)
        installedTitle = installed.ProductTitle();
    if (installMode == InstallMode::Update) updateFromVersion = version;
}

void InstallerState::DetectInstallMode() { DetectInstallModeFrom(FindInstalledProgram()); }

void InstallerState::ApplyDefaultFolders() {
    const std::wstring publisherFolder = product::kPublisher;
    if (installFolder.empty())
        installFolder = AppendPath(AppendPath(ShellFolderPath(CSIDL_PROGRAM_FILES), publisherFolder), ProductFolderName());
    if (startMenuFolder.empty()) {
        std::wstring programs = ShellFolderPath(CSIDL_COMMON_PROGRAMS);
        if (programs.empty()) programs = ShellFolderPath(CSIDL_PROGRAMS);
        startMenuFolder = AppendPath(AppendPath(programs, publisherFolder), ProductFolderName());
    }
}

void InstallerState::ApplyDefaultOptions() {
    createMenuShortcut = true;
    createDesktopShortcut = true;
    customInstallation = false;
}

}  // namespace sv
