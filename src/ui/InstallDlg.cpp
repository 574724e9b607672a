#include "ui/InstallDlg.h"

#include "app/Localisation.h"
#include "resource.h"
#include "ui/AboutDlg.h"
#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {

RECT ChildRect(HWND parent, HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring AboutText() {
    const std::wstring about = FormatCatalogueText(IDS_ABOUT, CatalogueText(IDS_INSTALLER));
    if (about.empty()) return {};
    return AboutItemText(about, GetLanguageState().rightToLeft);
}

}  // namespace

CInstallDlg::CInstallDlg(InstallerState& state, CDlgInstall::InstallRun run, HICON icon)
    : CDialog(IDD_INSTALL_FRAME),
      state_(state),
      start_(state, [this] { RefreshTexts(); }),
      mode_(state),
      path_(state),
      shortcut_(state),
      install_(state, std::move(run)),
      end_(state),
      pages_{&start_, &mode_, &path_, &shortcut_, &install_, &end_},
      icon_(icon) {}

CInstallDlg::~CInstallDlg() {
    if (ownsIcon_ && icon_ != nullptr) DestroyIcon(icon_);
}

bool CInstallDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (CWinApp* app = AfxGetApp()) app->SetMainWindow(Hwnd());
    SetWindowTextW(Hwnd(), InstallerState::ApplicationTitle().c_str());

    HMENU systemMenu = GetSystemMenu(Hwnd(), FALSE);
    if (systemMenu != nullptr) {
        if (const std::wstring about = AboutText(); !about.empty()) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
        DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);
        DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);
    }

    if (icon_ == nullptr) {
        icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 0, 0,
                                              LR_DEFAULTCOLOR));
        ownsIcon_ = icon_ != nullptr;
    }
    if (icon_ != nullptr) SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));

    for (CWizardPage* page : pages_) page->Create(Hwnd());
    LayOutPages();
    RefreshTexts();
    ShowPage(kStartPage);
    if (state_.installMode == InstallMode::NewerInstalled) {
        EnableWindow(Item(IDOK), FALSE);
        MakeDefault(IDCANCEL);
    }
    return true;
}

void CInstallDlg::LayOutPages() {
    const RECT backdrop = ChildRect(Hwnd(), Item(IDC_BANNER_BACKDROP));
    const RECT separator = ChildRect(Hwnd(), Item(IDC_SEPARATOR));
    RECT client = {};
    GetClientRect(Hwnd(), &client);
    const Box area{backdrop.right, client.top, client.right, separator.top};

    std::array<PageSize, kPageCount> sizes{};
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        RECT rect = {};
        GetWindowRect(pages_[i]->Hwnd(), &rect);
        sizes[i] = {rect.right - rect.left, rect.bottom - rect.top};
    }
    const Growth growth = GrowthFor(area, sizes);

    RECT frame = {};
    GetWindowRect(Hwnd(), &frame);
    SetWindowPos(Hwnd(), nullptr, 0, 0, frame.right - frame.left + growth.dx, frame.bottom - frame.top + growth.dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    const Box& bounds = growth.bounds;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        SetWindowPos(pages_[i]->Hwnd(), nullptr, bounds.left, bounds.top, bounds.Width(), bounds.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        pages_[i]->GrowBy(bounds.Width() - sizes[i].width, bounds.Height() - sizes[i].height);
    }

    AdjustItem(IDC_BANNER_BACKDROP, 0, 0, 0, growth.dy);
    AdjustItem(IDC_SEPARATOR, 0, growth.dy, growth.dx, 0);
    for (const int button : {IDC_BACK, IDOK, IDCANCEL}) AdjustItem(button, growth.dx, growth.dy, 0, 0);
}

void CInstallDlg::RefreshTexts() {
    SetWindowTextW(Hwnd(), InstallerState::ApplicationTitle().c_str());
    if (HMENU systemMenu = GetSystemMenu(Hwnd(), FALSE)) {
        const std::wstring about = AboutText();
        ModifyMenuW(systemMenu, IDM_ABOUTBOX, MF_BYCOMMAND | MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    RefreshButtons();
    for (CWizardPage* page : pages_) page->RefreshTexts();
}

void CInstallDlg::RefreshButtons() {
    const ButtonStates states = ButtonsFor(currentPage_, state_.installSucceeded);
    SetItemText(IDOK, states.nextIsInstall ? CatalogueText(IDS_INSTALL) : CatalogueText(IDS_NEXT) + L"  >");
    SetItemText(IDC_BACK, L"<  " + CatalogueText(IDS_BACK));
    SetItemText(IDCANCEL, states.exitIsExit ? CatalogueText(IDS_EXIT) : CatalogueText(IDS_CANCEL));
}

bool CInstallDlg::ShowPage(int index) {
    if (index < 0 || index >= kPageCount) return false;
    if (currentPage_ >= 0) {
        CWizardPage& leaving = Page(currentPage_);
        if (!leaving.UpdateData(true)) return false;
        ShowWindow(leaving.Hwnd(), SW_HIDE);
    }
    const int target = TargetPage(index, currentPage_, state_.customInstallation);
    if (target != currentPage_) Page(target).UpdateData(false);
    currentPage_ = target;
    ShowWindow(Page(target).Hwnd(), SW_SHOW);
    RefreshButtons();

    const ButtonStates states = ButtonsFor(currentPage_, state_.installSucceeded);
    EnableWindow(Item(IDC_BACK), states.backEnabled);
    EnableWindow(Item(IDOK), states.nextEnabled);
    MakeDefault(states.exitIsDefault ? IDCANCEL : IDOK);
    return true;
}

void CInstallDlg::MakeDefault(int id) {
    SendMessageW(Hwnd(), DM_SETDEFID, static_cast<WPARAM>(id), 0);
    SendMessageW(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void CInstallDlg::EnableButtons(bool back, bool next, bool exit) {
    EnableWindow(Item(IDC_BACK), back);
    EnableWindow(Item(IDOK), next);
    EnableWindow(Item(IDCANCEL), exit);
}

void CInstallDlg::OnOK() {
    if (running_) return;
    if (currentPage_ != kInstallPage || state_.installSucceeded) {
        ShowPage(currentPage_ + 1);
        return;
    }
    EnableButtons(false, false, false);
    running_ = true;
    const bool succeeded = install_.DoInstall();
    running_ = false;
    state_.installSucceeded = succeeded;
    ShowPage(kInstallPage);
    EnableWindow(Item(IDCANCEL), TRUE);
}

void CInstallDlg::OnBack() {
    if (running_) return;
    ShowPage(currentPage_ - 1);
}

void CInstallDlg::OnCancel() {
    if (running_) return;
    if (ExitNeedsConfirmation(state_.installSucceeded, state_.installMode, currentPage_) &&
        AfxMessageBox(CatalogueText(IDS_CONFIRM_EXIT), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    EndDialog(state_.installSucceeded ? 1 : 2);
}

bool CInstallDlg::OnCommand(int id, int code, HWND control) {
    // The frame's dialog manager handles the keys of its pages too, so Enter on a page's focused
    // push button (Browse) arrives here: such a command belongs to the page that holds it.
    if (control != nullptr && GetParent(control) != Hwnd() && IsChild(Hwnd(), control)) {
        SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
        return true;
    }
    if (id == IDC_BACK && code == BN_CLICKED) {
        OnBack();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

bool CInstallDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            CAboutDlg about;
            about.DoModal(Hwnd());
            result = 0;
            return true;
        }
        return false;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) != 0) {
            HMENU menu = reinterpret_cast<HMENU>(wParam);
            const bool minimised = IsIconic(Hwnd()) != FALSE;
            EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | (minimised ? MF_GRAYED : MF_ENABLED));
            EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | (minimised ? MF_ENABLED : MF_GRAYED));
        }
        return false;
    case WM_GETMINMAXINFO: {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        if (GetWindowPlacement(Hwnd(), &placement)) {
            const RECT& normal = placement.rcNormalPosition;
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMaxSize = {normal.right - normal.left, normal.bottom - normal.top};
            info->ptMaxPosition = {normal.left, normal.top};
        }
        result = 0;
        return true;
    }
    case WM_NCDESTROY:
        if (CWinApp* app = AfxGetApp(); app != nullptr && app->MainWindow() == Hwnd()) app->SetMainWindow(nullptr);
        return false;
    default:
        return false;
    }
}

}  // namespace sv::ui
