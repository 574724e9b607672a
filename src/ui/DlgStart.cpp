#include "ui/DlgStart.h"

#include <algorithm>

#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "resource.h"
#include "ui/framework/DataExchange.h"
#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {

constexpr int kFlagWidth = 16;
constexpr int kFlagHeight = 12;
constexpr int kFlagCellWidth = 18;
constexpr int kDropDownMargin = 30;  // pixels beside the widest language name

}  // namespace

CDlgStart::CDlgStart(InstallerState& state, std::function<void()> languageChanged)
    : CWizardPage(IDD_PAGE_START, state), languageChanged_(std::move(languageChanged)) {}

CDlgStart::~CDlgStart() {
    if (flags_ != nullptr) ImageList_Destroy(flags_);
}

void CDlgStart::DoDataExchange(CDataExchange& dx) { DDX_Control(dx, IDC_LANGUAGE_LIST, languageList_); }

bool CDlgStart::OnInitDialog() {
    CWizardPage::OnInitDialog();
    flags_ = ImageList_Create(kFlagCellWidth, kFlagHeight, ILC_COLOR24, 8, 1);
    SendMessageW(languageList_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(flags_));

    HDC dc = GetDC(Hwnd());
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0)));
    int widest = 0;
    int current = -1;
    int position = 0;
    for (const LanguageIndex language : StartPageLanguages()) {
        int image = -1;
        if (HICON flag = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(FlagIcon(language)),
                                                       IMAGE_ICON, kFlagWidth, kFlagHeight, LR_DEFAULTCOLOR))) {
            image = ImageList_AddIcon(flags_, flag);
            DestroyIcon(flag);
        }
        std::wstring name = NativeLanguageName(language);
        COMBOBOXEXITEMW item = {};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
        item.iItem = position;
        item.pszText = name.data();
        item.iImage = image;
        item.iSelectedImage = image;
        item.lParam = language;
        SendMessageW(languageList_, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        SIZE size = {};
        if (GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size)) widest = std::max(widest, static_cast<int>(size.cx));
        if (language == CurrentLanguage()) current = position;
        ++position;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(Hwnd(), dc);
    // The width belongs to the combo box inside the extended one.
    HWND combo = reinterpret_cast<HWND>(SendMessageW(languageList_, CBEM_GETCOMBOCONTROL, 0, 0));
    SendMessageW(combo != nullptr ? combo : languageList_, CB_SETDROPPEDWIDTH,
                 static_cast<WPARAM>(widest + kDropDownMargin), 0);
    SendMessageW(languageList_, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
    return true;
}

void CDlgStart::RefreshTexts() {
    const std::wstring product = ProductDisplayName(true);
    std::wstring installed;
    std::wstring situation;
    std::wstring instruction;
    switch (State().GetInstallMode(&installed)) {
    case InstallMode::FreshInstall:
        situation = FormatCatalogueText(IDS_SITUATION_INSTALL, product);
        instruction = FormatCatalogueText(IDS_CLICK_CONTINUE, CatalogueText(IDS_NEXT));
        break;
    case InstallMode::Update:
        situation = FormatCatalogueText(IDS_SITUATION_UPDATE, installed, product);
        instruction = FormatCatalogueText(IDS_CLICK_CONTINUE, CatalogueText(IDS_NEXT));
        break;
    case InstallMode::SameVersion:
        situation = FormatCatalogueText(IDS_ALREADY_INSTALLED, product) + L"\r\n" + CatalogueText(IDS_CONFIRM_REINSTALL);
        instruction = FormatCatalogueText(IDS_CLICK_CONTINUE_OR_EXIT, CatalogueText(IDS_NEXT), CatalogueText(IDS_CANCEL));
        break;
    case InstallMode::NewerInstalled:
        situation = FormatCatalogueText(IDS_SITUATION_INSTALL, product) + L"\r\n" +
                    FormatCatalogueText(IDS_NEWER_INSTALLED, installed);
        instruction = FormatCatalogueText(IDS_CLICK_EXIT, CatalogueText(IDS_CANCEL));
        break;
    }
    SetItemText(IDC_SITUATION, situation);
    SetItemText(IDC_INSTRUCTION, instruction);
    SetItemText(IDC_LEGAL_NOTICE, FormatCatalogueText(IDS_LEGAL_NOTICE, product));
    SetItemText(IDC_LANGUAGE_CAPTION, CatalogueText(IDS_SELECT_LANGUAGE));
}

void CDlgStart::GrowBy(int dx, int dy) {
    AdjustItem(IDC_LANGUAGE_LIST, 0, 0, dx, 0);
    AdjustItem(IDC_LEGAL_NOTICE, 0, 0, dx, 0);
    AdjustItem(IDC_SITUATION, 0, 0, dx, dy);
    AdjustItem(IDC_INSTRUCTION, 0, dy, dx, 0);
}

bool CDlgStart::OnCommand(int id, int code, HWND control) {
    if (id == IDC_LANGUAGE_LIST && code == CBN_SELCHANGE) {
        OnLanguageListChanged();
        return true;
    }
    return CWizardPage::OnCommand(id, code, control);
}

void CDlgStart::OnLanguageListChanged() {
    const LRESULT selected = SendMessageW(languageList_, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return;
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_LPARAM;
    item.iItem = selected;
    if (!SendMessageW(languageList_, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return;
    SelectLanguage(static_cast<LanguageIndex>(item.lParam));
}

void CDlgStart::SelectLanguage(LanguageIndex language) {
    SetLanguage(language);
    if (!IsInstallerLanguage(language)) {
        AfxMessageBox(FormatCatalogueText(IDS_CHOOSE_LANGUAGE_FALLBACK, ProductDisplayName(false)),
                      MB_ICONINFORMATION | MB_OK);
        SetLanguage(kEnglish);
    }
    if (CWinApp* app = AfxGetApp()) app->SetAppName(InstallerState::ApplicationTitle());
    if (languageChanged_) languageChanged_();
}

}  // namespace sv::ui
