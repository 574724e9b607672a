// The installer's settings and results, held by the application object, and the start-up
// decisions taken on them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/InstanceMutex.h"
#include "app/Product.h"
#include "ulog/UninstallLog.h"

namespace sv {

class InstallerState {
public:
    InstallerState();

    InstallMode installMode = InstallMode::FreshInstall;
    std::wstring installedTitle;
    InstanceMutex instanceMutex;  // created not owned; held while the installer runs
    std::wstring installFolder;
    std::wstring startMenuFolder;
    std::wstring tempFolder;
    bool createMenuShortcut = false;
    bool createDesktopShortcut = false;
    bool customInstallation = false;
    UninstallLog uninstallLog;  // journal of this installation and of the previous one
    bool installSucceeded = false;
    std::uint64_t updateFromVersion = 0;

    // The mode; for Update and NewerInstalled `installedTitle` goes to `title` when given.
    InstallMode GetInstallMode(std::wstring* title = nullptr) const;

    // "Installer – Sarvelix 6.04h" in the current language.
    static std::wstring ApplicationTitle();

    // The system's text for a Windows error code or HRESULT, in the shared message box.
    static void ShowErrorCode(std::int32_t code);
    // The text ShowErrorCode shows: the system's text, else that of E_FAIL, else "Error".
    static std::wstring ErrorCodeText(std::int32_t code);

    // Path of the installed program's Uninstall.ulog, or empty: the first existing candidate of
    // the UninstallString's folder (quoted or not) and the installed program's folder. The
    // installer's own folder is never asked for itself (anyone may write there).
    std::wstring FindPreviousLog() const;

    // Start-up steps.
    // Takes the instance mutex; a second installer of the product shows error 170 and stops.
    bool AcquireInstanceMutex();
    // Refuses users who are not administrators (message 1126).
    static bool CheckAdministrator();
    // While another process of the product is counted in, message 1127 with Retry/Cancel.
    static bool WaitForRunningProduct();
    void SettleLanguage();       // system language, then KvLanguage, then English fallback
    void DetectInstallMode();    // from the installed program's version
    void ReadPreviousLog();      // reinstallation and update: the previous log and its folders
    void ApplyDefaultFolders();  // folders still empty get their defaults
    void ApplyDefaultOptions();
    // Decision from an installed program's path (empty: none installed).
    void DetectInstallModeFrom(const std::wstring& installedProgram);
};

// HKEY_LOCAL_MACHINE key of the product's entry in the system's list of installed programs.
std::wstring UninstallKeyPath();

// Joins with the platform's path-append rule (one backslash, 260 characters at most).
std::wstring AppendPath(const std::wstring& base, const std::wstring& more);
// A shell folder (CSIDL) as the system reports it to this process, or empty.
std::wstring ShellFolderPath(int csidl);
// Parent folder of a path (the part before the last backslash).
std::wstring ParentFolder(const std::wstring& path);
// A path without the double quotes around it, if it has them ("UninstallString" is quoted).
std::wstring UnquotedPath(const std::wstring& text);

// Message box of the publisher's common library: owned by the last active pop-up of the active
// window's root owner, captioned with the program's own display title.
int SharedMessageBox(const std::wstring& text, UINT type);
HWND SharedMessageOwner();
// Icon shown by the shared message dialogs.
void RegisterSharedMessageIcon(HICON icon);

}  // namespace sv
