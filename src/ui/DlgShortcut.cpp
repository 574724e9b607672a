#include "ui/DlgShortcut.h"

#include <shlobj.h>

#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "resource.h"
#include "ui/FolderPicker.h"
#include "ui/framework/DataExchange.h"

namespace sv::ui {

std::wstring MenuFolderText(const std::wstring& startMenu, const std::wstring& folder) {
    const auto relative = RelativeFolderText(startMenu, folder);
    if (!relative || relative->starts_with(L"..")) return folder;
    return *relative;
}

CDlgShortcut::CDlgShortcut(InstallerState& state) : CWizardPage(IDD_PAGE_SHORTCUT, state) {}

bool CDlgShortcut::OnInitDialog() {
    startMenuBase_ = ShellFolderPath(CSIDL_COMMON_STARTMENU);
    if (startMenuBase_.empty()) startMenuBase_ = ShellFolderPath(CSIDL_STARTMENU);
    CWizardPage::OnInitDialog();
    ApplyMenuCheck();
    return true;
}

void CDlgShortcut::DoDataExchange(CDataExchange& dx) {
    InstallerState& state = State();
    if (!dx.Saving()) {
        desktopCheck_ = state.createDesktopShortcut ? BST_CHECKED : BST_UNCHECKED;
        menuCheck_ = state.createMenuShortcut ? BST_CHECKED : BST_UNCHECKED;
        folderText_ = MenuFolderText(startMenuBase_, state.startMenuFolder);
    }
    DDX_Check(dx, IDC_DESKTOP_CHECK, desktopCheck_);
    DDX_Check(dx, IDC_MENU_CHECK, menuCheck_);
    DDX_Text(dx, IDC_FOLDER_EDIT, folderText_);
    DDV_MaxChars(dx, folderText_, kMaxPathText);
    if (dx.Saving() && !dx.Failed()) {
        state.createDesktopShortcut = desktopCheck_ == BST_CHECKED;
        state.createMenuShortcut = menuCheck_ == BST_CHECKED;
        state.startMenuFolder = CombineFolder(startMenuBase_, folderText_);
    }
}

void CDlgShortcut::RefreshTexts() {
    SetItemText(IDC_MENU_GROUP, CatalogueText(IDS_START_MENU));
    SetItemText(IDC_MENU_CHECK, CatalogueText(IDS_MENU_SHORTCUT));
    SetItemText(IDC_BROWSE, CatalogueText(IDS_BROWSE));
    SetItemText(IDC_DESKTOP_CHECK, CatalogueText(IDS_DESKTOP_SHORTCUT));
    SetItemText(IDC_INSTRUCTION, FormatCatalogueText(IDS_CLICK_CONTINUE, CatalogueText(IDS_NEXT)));
}

void CDlgShortcut::GrowBy(int dx, int dy) {
    AdjustItem(IDC_MENU_GROUP, 0, 0, dx, 0);
    AdjustItem(IDC_MENU_CHECK, 0, 0, dx, 0);
    AdjustItem(IDC_FOLDER_EDIT, 0, 0, dx, 0);
    AdjustItem(IDC_DESKTOP_CHECK, 0, 0, dx, 0);
    AdjustItem(IDC_BROWSE, dx, 0, 0, 0);
    AdjustItem(IDC_INSTRUCTION, 0, dy, dx, 0);
}

bool CDlgShortcut::OnCommand(int id, int code, HWND control) {
    if (id == IDC_MENU_CHECK && code == BN_CLICKED) {
        ApplyMenuCheck();
        return true;
    }
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return true;
    }
    return CWizardPage::OnCommand(id, code, control);
}

void CDlgShortcut::ApplyMenuCheck() {
    const BOOL ticked = SendMessageW(Item(IDC_MENU_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED;
    EnableWindow(Item(IDC_FOLDER_EDIT), ticked);
    EnableWindow(Item(IDC_BROWSE), ticked);
}

void CDlgShortcut::OnBrowse() {
    (void)UpdateData(true);
    const ChosenFolder chosen =
        ChooseFolder(State().startMenuFolder, ProductFolderName(), CatalogueText(IDS_MENU_SHORTCUT), CSIDL_COMMON_PROGRAMS);
    if (chosen.folder.empty()) return;
    folderText_ = chosen.relative;
    State().startMenuFolder = chosen.folder;
    UpdateData(false);
}

}  // namespace sv::ui
