// Page 3: the start-menu shortcuts with their folder, and the desktop shortcut. The folder is
// shown relative to the Start Menu.
#pragma once

#include <string>

#include "ui/WizardPage.h"

namespace sv::ui {

class CDlgShortcut : public CWizardPage {
public:
    explicit CDlgShortcut(InstallerState& state);

    void RefreshTexts() override;
    void GrowBy(int dx, int dy) override;

    const std::wstring& StartMenuBase() const { return startMenuBase_; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ApplyMenuCheck();
    void OnBrowse();

    int desktopCheck_ = BST_UNCHECKED;
    int menuCheck_ = BST_UNCHECKED;
    std::wstring folderText_;     // relative to startMenuBase_
    std::wstring startMenuBase_;  // the Start Menu folder
};

}  // namespace sv::ui
