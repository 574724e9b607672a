#include "ui/framework/DialogKeys.h"

#include <commctrl.h>

namespace sv::ui {
namespace {

constexpr UINT_PTR kSubclassId = 0x4B45;  // "KE"

bool IsEnter(UINT message, WPARAM key) {
    return ((message == WM_KEYDOWN || message == WM_KEYUP) && key == VK_RETURN) || (message == WM_CHAR && key == L'\r');
}

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(edit, message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending != nullptr && (pending->message == WM_KEYDOWN || pending->message == WM_CHAR)) {
            const WPARAM key = pending->wParam;
            if (key == VK_TAB || key == VK_ESCAPE || key == VK_CANCEL) code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
            if (key == VK_RETURN) code |= DLGC_WANTALLKEYS;  // kept here, and ignored below
        }
        return code;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (IsEnter(message, wParam)) return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, EditProc, kSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

bool LeaveDialogKeysToDialog(HWND edit) {
    return edit != nullptr && SetWindowSubclass(edit, EditProc, kSubclassId, 0) != FALSE;
}

}  // namespace sv::ui
