// Page 1: quick installation (the recommended default) or advanced installation, which shows
// the path and shortcut pages.
#pragma once

#include "ui/WizardPage.h"

namespace sv::ui {

class CDlgMode : public CWizardPage {
public:
    explicit CDlgMode(InstallerState& state);

    void RefreshTexts() override;
    void GrowBy(int dx, int dy) override;

protected:
    void DoDataExchange(CDataExchange& dx) override;

private:
    int choice_ = -1;  // 0 quick, 1 advanced, -1 none
};

}  // namespace sv::ui
