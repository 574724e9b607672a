#include "ui/AboutDlg.h"

#include "app/Localisation.h"
#include "app/VersionInfo.h"
#include "resource.h"

namespace sv::ui {

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const std::wstring title = FormatCatalogueText(IDS_ABOUT, CatalogueText(IDS_INSTALLER));
    if (!title.empty()) SetWindowTextW(Hwnd(), title.c_str());
    const VersionInfo own = VersionInfo::OwnModule();
    if (const std::wstring product = own.ProductTitle(); !product.empty()) SetItemText(IDC_ABOUT_PRODUCT, product);
    if (const std::wstring legal = own.LegalCopyright(); !legal.empty()) SetItemText(IDC_ABOUT_LEGAL, legal);
    SetItemText(IDOK, CatalogueText(IDS_OK));
    return true;
}

}  // namespace sv::ui
