// The installer's application object.
#pragma once

#include "app/InstallerState.h"
#include "ui/framework/WinApp.h"

namespace sv {

class CInstallApp : public ui::CWinApp, public InstallerState {
public:
    CInstallApp();
    ~CInstallApp() override;

    // The start-up sequence; always answers false, so the process ends when it returns.
    bool InitInstance() override;

private:
    HICON programIcon_ = nullptr;
};

// The one application object (null before its construction).
CInstallApp* InstallApp();

}  // namespace sv
