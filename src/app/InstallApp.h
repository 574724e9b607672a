// The installer's application object.
#pragma once

#include "app/InstallerState.h"
#include "ui/DlgInstall.h"
#include "ui/framework/WinApp.h"

namespace sv {

class CInstallApp : public ui::CWinApp, public InstallerState {
public:
    // `installRun` is what the install page runs when the user presses Install.
    explicit CInstallApp(ui::CDlgInstall::InstallRun installRun);
    ~CInstallApp() override;

    // The start-up sequence; always answers false, so the process ends when it returns.
    bool InitInstance() override;

private:
    HICON programIcon_ = nullptr;
    ui::CDlgInstall::InstallRun installRun_;
};

// The one application object (null before its construction).
CInstallApp* InstallApp();

}  // namespace sv
