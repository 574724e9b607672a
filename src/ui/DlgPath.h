// Page 2: the installation folder. An installation over an existing one keeps its folder: the
// page then only shows it. A folder that is not on a drive letter (empty, relative, network)
// cannot be left behind.
#pragma once

#include <string>

#include "ui/WizardPage.h"

namespace sv::ui {

class CDlgPath : public CWizardPage {
public:
    explicit CDlgPath(InstallerState& state);

    void RefreshTexts() override;
    void GrowBy(int dx, int dy) override;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void OnBrowse();

    std::wstring folderText_;
    bool browsing_ = false;  // the saving exchange of Browse, which does not check the folder
};

}  // namespace sv::ui
