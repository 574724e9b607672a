// Dialog keys around a read-only multi-line edit box.
//
// A multi-line edit box asks the dialog manager for every key, so inside a dialog Tab, Shift+Tab
// and Escape never reach the dialog, and Enter is passed to a default button of the edit box's
// own parent (not the one of a frame that hosts it as a page). A box made with
// LeaveDialogKeysToDialog hands Tab, Shift+Tab and Escape to the dialog manager, like every other
// control, and ignores Enter: it neither presses a default button nor moves the caret.
#pragma once

#include <windows.h>

namespace sv::ui {

// Applies the rule above to `edit` for the rest of its life; answers false when it could not.
bool LeaveDialogKeysToDialog(HWND edit);

}  // namespace sv::ui
