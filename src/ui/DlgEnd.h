// Page 5: reached after a successful installation; says that it is complete.
#pragma once

#include "ui/WizardPage.h"

namespace sv::ui {

class CDlgEnd : public CWizardPage {
public:
    explicit CDlgEnd(InstallerState& state);

    void RefreshTexts() override;
    void GrowBy(int dx, int dy) override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace sv::ui
