#include "ui/framework/DataExchange.h"

#include "ui/framework/Dialog.h"
#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {

bool IsEditBox(HWND control) {
    wchar_t className[16] = {};
    return GetClassNameW(control, className, 16) != 0 && lstrcmpiW(className, L"Edit") == 0;
}

bool IsRadioButton(HWND control) {
    if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) return true;
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

HWND CDataExchange::PrepareControl(int id) {
    lastControl_ = dialog_.Item(id);
    return lastControl_;
}

void CDataExchange::Fail() {
    failed_ = true;
    if (lastControl_ == nullptr) return;
    SetFocus(lastControl_);
    if (IsEditBox(lastControl_)) SendMessageW(lastControl_, EM_SETSEL, 0, -1);
}

void DDX_Text(CDataExchange& dx, int id, std::wstring& value) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareControl(id);
    if (control == nullptr) return;
    if (dx.Saving()) {
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        value = std::move(text);
    } else {
        SetWindowTextW(control, value.c_str());
    }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareControl(id);
    if (control == nullptr) return;
    if (dx.Saving())
        value = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange& dx, int id, int& value) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareControl(id);
    if (control == nullptr) return;
    if (dx.Saving()) value = -1;
    int index = 0;
    // The group runs from `id` to the next control with WS_GROUP.
    for (HWND button = control; button != nullptr; button = GetWindow(button, GW_HWNDNEXT)) {
        if (button != control && (GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP) != 0) break;
        if (!IsRadioButton(button)) continue;
        if (dx.Saving()) {
            if (SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED && value == -1) value = index;
        } else {
            SendMessageW(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

void DDX_Control(CDataExchange& dx, int id, HWND& control) {
    if (dx.Failed()) return;
    control = dx.PrepareControl(id);
}

std::wstring MaxCharsMessage(int maxChars) {
    return L"Enter no more than " + std::to_wstring(maxChars) + L" characters.";
}

void DDV_MaxChars(CDataExchange& dx, const std::wstring& value, int maxChars) {
    if (dx.Failed()) return;
    if (dx.Saving()) {
        if (value.size() > static_cast<std::size_t>(maxChars)) {
            AfxMessageBox(MaxCharsMessage(maxChars), MB_ICONEXCLAMATION | MB_OK);
            dx.Fail();
        }
    } else if (dx.LastControl() != nullptr && IsEditBox(dx.LastControl())) {
        SendMessageW(dx.LastControl(), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    }
}

}  // namespace sv::ui
