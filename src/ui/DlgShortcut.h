// Page 3: the start-menu shortcuts with their folder, and the desktop shortcut. The folder is
// shown relative to the Start Menu when it lies inside it, else as its full path.
#pragma once

#include <string>

#include "ui/WizardPage.h"

namespace sv::ui {

// The text that shows the start-menu `folder`: relative to `startMenu` when it lies inside it
// (empty for the Start Menu itself), else the folder's own path, which saves back unchanged
// (a folder on another drive has no relative path at all).
std::wstring MenuFolderText(const std::wstring& startMenu, const std::wstring& folder);

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
