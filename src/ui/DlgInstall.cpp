#include "ui/DlgInstall.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "install/InstallLog.h"
#include "resource.h"
#include "ui/WizardRules.h"
#include "ui/framework/DataExchange.h"
#include "ui/framework/DialogKeys.h"

namespace sv::ui {

CDlgInstall::CDlgInstall(InstallerState& state, InstallRun run)
    : CWizardPage(IDD_PAGE_INSTALL, state), run_(std::move(run)) {}

bool CDlgInstall::OnInitDialog() {
    CWizardPage::OnInitDialog();
    // Tab and Escape in the log belong to the frame's dialog keys; Enter there presses nothing.
    LeaveDialogKeysToDialog(log_);
    SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
    ShowWindow(progress_, SW_HIDE);
    return true;
}

void CDlgInstall::DoDataExchange(CDataExchange& dx) {
    DDX_Control(dx, IDC_INSTALL_LOG, log_);
    DDX_Control(dx, IDC_PROGRESS, progress_);
    if (!dx.Saving() && log_ != nullptr) {
        // The log of a long installation outgrows the edit box's default limit.
        SendMessageW(log_, EM_SETLIMITTEXT, 0, 0);
        if (!State().installSucceeded) WriteSummary();
    }
}

void CDlgInstall::WriteSummary() {
    const InstallerState& state = State();
    SetWindowTextW(log_, L"");
    AppendLog(FormatCatalogueText(IDS_SITUATION_INSTALL, ProductDisplayName(true)) + L"\r\n");
    AppendLog(CatalogueText(IDS_INSTALL_OPTIONS), true);
    AppendLog(FormatCatalogueText(IDS_SUMMARY_FOLDER, QuotedPath(state.installFolder)) + L"\r\n");
    if (state.createMenuShortcut)
        AppendLog(FormatCatalogueText(IDS_SUMMARY_MENU_SHORTCUT, QuotedPath(state.startMenuFolder)) + L"\r\n");
    if (state.createDesktopShortcut) AppendLog(CatalogueText(IDS_SUMMARY_DESKTOP_SHORTCUT) + L"\r\n");
    SendMessageW(log_, WM_VSCROLL, SB_TOP, 0);
}

void CDlgInstall::RefreshTexts() {
    SetStatusText(FormatCatalogueText(IDS_CLICK_START, CatalogueText(IDS_INSTALL)));
}

void CDlgInstall::GrowBy(int dx, int dy) {
    AdjustItem(IDC_INSTALL_LOG, 0, 0, dx, dy);
    AdjustItem(IDC_PROGRESS, 0, dy, dx, 0);
    AdjustItem(IDC_INSTRUCTION, 0, dy, dx, 0);
}

bool CDlgInstall::DoInstall() {
    if (run_) return run_(*this);
    AppendLog(L"", true);
    SetStatusText(FormatCatalogueText(IDS_INSTALL_FAILED, L"7"));
    return false;
}

void CDlgInstall::AppendLog(const std::wstring& text, bool heading) { AppendInstallLog(log_, Hwnd(), text, heading); }

std::wstring CDlgInstall::LogText() const { return ItemText(IDC_INSTALL_LOG); }

HWND CDlgInstall::StatusControl() const { return Item(IDC_INSTRUCTION); }

void CDlgInstall::SetStatusText(const std::wstring& text) { SetItemText(IDC_INSTRUCTION, text); }

void CDlgInstall::ShowProgressBar() {
    SendMessageW(progress_, PBM_SETPOS, 0, 0);
    ShowWindow(progress_, SW_SHOW);
}

void CDlgInstall::SetProgress(int percent) { SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(percent), 0); }

}  // namespace sv::ui
