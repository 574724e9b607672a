#include "ui/DlgMode.h"

#include "app/Localisation.h"
#include "resource.h"
#include "ui/framework/DataExchange.h"

namespace sv::ui {

CDlgMode::CDlgMode(InstallerState& state) : CWizardPage(IDD_PAGE_MODE, state) {}

void CDlgMode::DoDataExchange(CDataExchange& dx) {
    if (!dx.Saving()) choice_ = State().customInstallation ? 1 : 0;
    DDX_Radio(dx, IDC_QUICK_INSTALL, choice_);
    if (dx.Saving() && !dx.Failed()) State().customInstallation = choice_ == 1;
}

void CDlgMode::RefreshTexts() {
    SetItemText(IDC_METHOD_GROUP, CatalogueText(IDS_INSTALL_METHOD));
    SetItemText(IDC_QUICK_INSTALL, CatalogueText(IDS_QUICK_INSTALL));
    SetItemText(IDC_ADVANCED_INSTALL, CatalogueText(IDS_ADVANCED_INSTALL));
    SetItemText(IDC_INSTRUCTION, FormatCatalogueText(IDS_CLICK_CONTINUE, CatalogueText(IDS_NEXT)));
}

void CDlgMode::GrowBy(int dx, int dy) {
    AdjustItem(IDC_METHOD_GROUP, 0, 0, dx, 0);
    AdjustItem(IDC_QUICK_INSTALL, 0, 0, dx, 0);
    AdjustItem(IDC_ADVANCED_INSTALL, 0, 0, dx, 0);
    AdjustItem(IDC_INSTRUCTION, 0, dy, dx, 0);
}

}  // namespace sv::ui
