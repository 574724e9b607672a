// Page 4: the summary of the options before the installation, then the running log, the progress
// bar and the status line of the installation.
//
// The installation itself is not part of the page: the install sequence plugs it in as an
// InstallRun. The frame calls DoInstall when Next ("Install") is pressed on this page and the
// installation has not yet succeeded; during the run the frame's buttons are disabled and ignored,
// and the run's answer becomes InstallerState::installSucceeded. The run uses the page's
// controls through AppendLog, SetStatusText, ShowProgressBar/SetProgress and the control handles,
// and pumps the thread's messages itself (CWinApp::PreTranslateMessage, then dispatch) so that
// the window stays painted.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/WizardPage.h"

namespace sv::ui {

class CDlgInstall : public CWizardPage {
public:
    // Runs one installation on the page; answers true when it reached its end.
    using InstallRun = std::function<bool(CDlgInstall& page)>;

    CDlgInstall(InstallerState& state, InstallRun run);

    void RefreshTexts() override;
    void GrowBy(int dx, int dy) override;

    // Runs the plugged installation. Without one, the page reports a failed run (status 1121
    // with the code 7) and answers false.
    bool DoInstall();
    void SetInstallRun(InstallRun run) { run_ = std::move(run); }
    bool HasInstallRun() const { return static_cast<bool>(run_); }

    // Appends to the log. An empty text or a heading becomes a full-width line: the text centred
    // between hyphens (only hyphens when empty), ending with "\r\n". Other texts are appended as
    // they are; callers close their lines with "\r\n".
    void AppendLog(const std::wstring& text, bool heading = false);
    std::wstring LogText() const;
    void SetStatusText(const std::wstring& text);
    // Progress bar (0 to 100): hidden until the first run shows it.
    void ShowProgressBar();
    void SetProgress(int percent);

    HWND LogControl() const { return log_; }
    HWND ProgressControl() const { return progress_; }
    HWND StatusControl() const;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;

private:
    void WriteSummary();

    HWND log_ = nullptr;
    HWND progress_ = nullptr;
    InstallRun run_;
};

}  // namespace sv::ui
