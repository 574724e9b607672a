#include "payload/OwnerWindow.h"

namespace sv {
namespace {

BOOL CALLBACK FindTitledRootOwner(HWND window, LPARAM found) {
    const HWND root = ::GetAncestor(window, GA_ROOTOWNER);
    if (root && (::GetWindowLongW(root, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
        *reinterpret_cast<HWND*>(found) = root;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND OwnerWindow() noexcept {
    HWND root = nullptr;
    if (const HWND active = ::GetActiveWindow()) {
        root = ::GetAncestor(active, GA_ROOTOWNER);
    } else {
        ::EnumThreadWindows(::GetCurrentThreadId(), FindTitledRootOwner, reinterpret_cast<LPARAM>(&root));
    }
    return root ? ::GetLastActivePopup(root) : nullptr;
}

}  // namespace sv
