#include "app/InstallApp.h"

#include "app/Localisation.h"
#include "app/Registry.h"
#include "app/StartUp.h"
#include "resource.h"
#include "ui/InstallDlg.h"

namespace sv {
namespace {
CInstallApp* theInstallApp = nullptr;
}  // namespace

CInstallApp* InstallApp() { return theInstallApp; }

CInstallApp::CInstallApp(ui::CDlgInstall::InstallRun installRun) : installRun_(std::move(installRun)) {
    theInstallApp = this;
    // The program icon, at the size stored in the resource, for the shared message dialogs.
    programIcon_ = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    RegisterSharedMessageIcon(programIcon_);
}

CInstallApp::~CInstallApp() {
    RegisterSharedMessageIcon(nullptr);
    if (programIcon_ != nullptr) DestroyIcon(programIcon_);
    if (theInstallApp == this) theInstallApp = nullptr;
}

bool CInstallApp::InitInstance() {
    if (!ProcessorChecked()) {
        ShowErrorCode(static_cast<std::int32_t>(E_UNEXPECTED));
        return false;
    }
    if (!AcquireInstanceMutex()) return false;
    (void)CWinApp::InitInstance();
    SettleLanguage();
    SetAppName(ApplicationTitle());
    if (!CheckAdministrator()) return false;
    if (!WaitForRunningProduct()) return false;
    try {
        DetectInstallMode();
        ReadPreviousLog();
    } catch (const RegistryError& error) {
        // A key that exists but cannot be read: the installer cannot tell what is installed.
        ShowErrorCode(error.code().value());
        return false;
    }
    ApplyDefaultFolders();
    ApplyDefaultOptions();
    {
        ui::CInstallDlg wizard(*this, installRun_, programIcon_);
        wizard.DoModal();
    }
    return false;
}

}  // namespace sv
