#include "ui/DlgPath.h"

#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "resource.h"
#include "ui/FolderPicker.h"
#include "ui/framework/DataExchange.h"
#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {

// The folder the product goes into must be a folder on a drive: an empty or relative text would
// install wherever the installer was started from, a network or device path is not ours to
// decide. A refused text is reported with the system's text for a bad path name.
void DDV_FolderOnDrive(CDataExchange& dx, const std::wstring& folder) {
    if (dx.Failed() || !dx.Saving() || IsFolderOnDrive(folder)) return;
    AfxMessageBox(InstallerState::ErrorCodeText(ERROR_BAD_PATHNAME), MB_ICONEXCLAMATION | MB_OK);
    dx.Fail();
}

}  // namespace

CDlgPath::CDlgPath(InstallerState& state) : CWizardPage(IDD_PAGE_PATH, state) {}

bool CDlgPath::OnInitDialog() {
    CWizardPage::OnInitDialog();
    if (State().installMode != InstallMode::FreshInstall) {
        EnableWindow(Item(IDC_FOLDER_LABEL), FALSE);
        EnableWindow(Item(IDC_BROWSE), FALSE);
        SendMessageW(Item(IDC_FOLDER_EDIT), EM_SETREADONLY, TRUE, 0);
    }
    return true;
}

void CDlgPath::DoDataExchange(CDataExchange& dx) {
    if (!dx.Saving()) folderText_ = State().installFolder;
    DDX_Text(dx, IDC_FOLDER_EDIT, folderText_);
    DDV_MaxChars(dx, folderText_, kMaxPathText);
    // Only a folder the user can change is checked: over an existing installation the page shows
    // that installation's folder, and refusing it would leave no way on.
    if (!browsing_ && State().installMode == InstallMode::FreshInstall) DDV_FolderOnDrive(dx, folderText_);
    if (dx.Saving() && !dx.Failed()) State().installFolder = folderText_;
}

void CDlgPath::RefreshTexts() {
    SetItemText(IDC_FOLDER_GROUP, CatalogueText(IDS_FOLDER_SELECTION));
    SetItemText(IDC_FOLDER_LABEL, FormatCatalogueText(IDS_SELECT_FOLDER, ProductDisplayName(false)));
    SetItemText(IDC_BROWSE, CatalogueText(IDS_BROWSE));
    SetItemText(IDC_INSTRUCTION, FormatCatalogueText(IDS_CLICK_CONTINUE, CatalogueText(IDS_NEXT)));
}

void CDlgPath::GrowBy(int dx, int dy) {
    AdjustItem(IDC_FOLDER_GROUP, 0, 0, dx, 0);
    AdjustItem(IDC_FOLDER_LABEL, 0, 0, dx, 0);
    AdjustItem(IDC_FOLDER_EDIT, 0, 0, dx, 0);
    AdjustItem(IDC_BROWSE, dx, 0, 0, 0);
    AdjustItem(IDC_INSTRUCTION, 0, dy, dx, 0);
}

bool CDlgPath::OnCommand(int id, int code, HWND control) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return true;
    }
    return CWizardPage::OnCommand(id, code, control);
}

void CDlgPath::OnBrowse() {
    // The text is taken as it stands (the picker starts elsewhere when it is no folder); it is
    // checked when the page is left.
    browsing_ = true;
    (void)UpdateData(true);
    browsing_ = false;
    const ChosenFolder chosen =
        ChooseFolder(State().installFolder, ProductFolderName(),
                     FormatCatalogueText(IDS_SELECT_FOLDER, ProductDisplayName(false)), std::nullopt);
    if (chosen.folder.empty()) return;
    State().installFolder = chosen.folder;
    UpdateData(false);
}

}  // namespace sv::ui
