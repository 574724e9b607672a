#include "ui/framework/Dialog.h"

#include <vector>

#include "ui/framework/DataExchange.h"
#include "ui/framework/WaitCursor.h"
#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {

// Messages whose answer is the dialog procedure's return value itself rather than DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

CDialog::CDialog(UINT templateId) : templateId_(templateId) {}

CDialog::~CDialog() {
    if (hwnd_ != nullptr) {
        HWND window = hwnd_;
        SetWindowLongPtrW(window, DWLP_USER, 0);
        hwnd_ = nullptr;
        DestroyWindow(window);
    }
}

INT_PTR CDialog::DoModal(HWND owner) {
    modal_ = true;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result;
}

bool CDialog::Create(HWND parent) {
    modal_ = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (hwnd_ != nullptr && modal_) ::EndDialog(hwnd_, result);
}

std::wstring CDialog::ItemText(int id) const {
    HWND item = Item(id);
    if (item == nullptr) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void CDialog::SetItemText(int id, const std::wstring& text) { SetDlgItemTextW(hwnd_, id, text.c_str()); }

void CDialog::AdjustItem(int id, int dx, int dy, int dw, int dh) {
    HWND item = Item(id);
    if (item == nullptr) return;
    RECT rect;
    GetWindowRect(item, &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(item, nullptr, rect.left + dx, rect.top + dy, rect.right - rect.left + dw, rect.bottom - rect.top + dh,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (hwnd_ == nullptr) return false;
    CDataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(int id, int, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    INT_PTR result = 0;
    handled = OnMessage(message, wParam, lParam, result);
    if (handled) return result;
    switch (message) {
    case WM_COMMAND:
        handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_SETCURSOR:
        if (CWaitCursor::Active()) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            handled = true;
            return TRUE;
        }
        return 0;
    default:
        return 0;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may leave a window procedure: the system's frames between here and the message
    // loop cannot be unwound. One that gets here is told to the user and the dialog goes on.
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        ReportUnexpectedException();
        return FALSE;
    }
}

INT_PTR CDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->hwnd_ = window;
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        return FALSE;
    }
    bool handled = false;
    const INT_PTR result = self->Dispatch(message, wParam, lParam, handled);
    if (!handled) return FALSE;
    if (AnswersDirectly(message)) return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace sv::ui
