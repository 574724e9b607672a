// What the wizard frame asks of each of its pages.
//
// A page is a child dialog of the frame, made from its own template. Its data exchange loads its
// controls from the InstallerState (UpdateData(false)) and saves them back with validation that
// may refuse (UpdateData(true)); the frame runs both as the user moves through the wizard.
#pragma once

#include "app/InstallerState.h"
#include "ui/framework/Dialog.h"

namespace sv::ui {

class CWizardPage : public CDialog {
public:
    CWizardPage(UINT templateId, InstallerState& state) : CDialog(templateId), state_(state) {}

    // Reloads every text of the page in the current language.
    virtual void RefreshTexts() = 0;
    // Moves and stretches the controls once the page has become dx wider and dy taller than its
    // template.
    virtual void GrowBy(int dx, int dy) = 0;

    InstallerState& State() const { return state_; }

private:
    InstallerState& state_;
};

}  // namespace sv::ui
