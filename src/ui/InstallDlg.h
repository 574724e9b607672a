// The wizard frame: the installer's only top-level window. It hosts the six pages, one visible at
// a time, and the Back, Next and Exit buttons; it decides which page follows which, validates a
// page before leaving it, starts the installation from the install page and confirms an
// unfinished exit. The modal run ends with 1 when the installation succeeded, else 2.
#pragma once

#include <windows.h>

#include <array>

#include "app/InstallerState.h"
#include "ui/DlgEnd.h"
#include "ui/DlgInstall.h"
#include "ui/DlgMode.h"
#include "ui/DlgPath.h"
#include "ui/DlgShortcut.h"
#include "ui/DlgStart.h"
#include "ui/WizardRules.h"
#include "ui/framework/Dialog.h"

namespace sv::ui {

class CInstallDlg : public CDialog {
public:
    // `run` is the installation the install page starts; `icon` the window's large icon (the
    // program icon is loaded when none is given).
    explicit CInstallDlg(InstallerState& state, CDlgInstall::InstallRun run = {}, HICON icon = nullptr);
    ~CInstallDlg() override;

    // Leaves the current page (its saving data exchange may refuse: false) and shows `index`, or
    // the next page in the direction of travel that quick installation does not skip.
    bool ShowPage(int index);
    // Window title, About item, button captions and the texts of every page.
    void RefreshTexts();
    void RefreshButtons();

    int CurrentPage() const { return currentPage_; }
    bool InstallRunning() const { return running_; }
    InstallerState& State() const { return state_; }
    CWizardPage& Page(int index) const { return *pages_[static_cast<std::size_t>(index)]; }
    CDlgStart& StartPage() { return start_; }
    CDlgInstall& InstallPage() { return install_; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;      // Next
    void OnCancel() override;  // Exit, Escape, the close box
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void LayOutPages();
    void OnBack();
    void EnableButtons(bool back, bool next, bool exit);
    void MakeDefault(int id);

    InstallerState& state_;
    CDlgStart start_;
    CDlgMode mode_;
    CDlgPath path_;
    CDlgShortcut shortcut_;
    CDlgInstall install_;
    CDlgEnd end_;
    std::array<CWizardPage*, kPageCount> pages_;
    int currentPage_ = -1;
    bool running_ = false;
    HICON icon_ = nullptr;
    bool ownsIcon_ = false;
};

}  // namespace sv::ui
