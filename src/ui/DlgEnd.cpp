#include "ui/DlgEnd.h"

#include "app/Localisation.h"
#include "resource.h"
#include "ui/framework/DataExchange.h"

namespace sv::ui {

CDlgEnd::CDlgEnd(InstallerState& state) : CWizardPage(IDD_PAGE_END, state) {}

void CDlgEnd::DoDataExchange(CDataExchange& dx) {
    if (!dx.Saving() && State().installSucceeded) SetItemText(IDC_FINAL_MESSAGE, CatalogueText(IDS_INSTALL_COMPLETE));
}

void CDlgEnd::RefreshTexts() {
    SetItemText(IDC_FINAL_MESSAGE, L"");
    SetItemText(IDC_INSTRUCTION, FormatCatalogueText(IDS_CLICK_EXIT, CatalogueText(IDS_EXIT)));
}

void CDlgEnd::GrowBy(int dx, int dy) {
    AdjustItem(IDC_FINAL_MESSAGE, 0, 0, dx, dy);
    AdjustItem(IDC_INSTRUCTION, 0, dy, dx, 0);
}

}  // namespace sv::ui
