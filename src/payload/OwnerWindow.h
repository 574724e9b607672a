// The window that owns platform user interface shown on the installer's behalf.
#pragma once

#include <windows.h>

namespace sv {

// The last active pop-up of the root owner of the thread's active window; without an active
// window, of the first window of the thread whose root owner has a title bar. Null when none.
HWND OwnerWindow() noexcept;

}  // namespace sv
