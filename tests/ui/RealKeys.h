// Real key presses for the wizard's windows under Xvfb: xdotool types on the X display (XTEST),
// the X server hands the keys to Wine's window, Wine queues them for the thread, and the frame's
// own dialog manager handles them, as it would a user's.
//
// Without a window manager nobody gives the frame the X keyboard focus: every PressKeys first
// does what a window manager would (xdotool windowfocus on the frame's X window, found through
// Wine's "__wine_x11_whole_window" property); FocusFrame makes the frame Wine's foreground window
// and answers false when it could not.
#pragma once

#include <windows.h>

#include <string>

namespace sv::test {

bool FocusFrame(HWND frame);

// Presses `keys` (xdotool key names: "Tab", "shift+Tab", "Return", "Escape", ...) and pumps the
// thread's messages through `frame`'s dialog manager, as the frame's modal loop does, until they
// have been handled; answers false when xdotool could not be run or the keys never arrived.
bool PressKeys(HWND frame, const std::string& keys);

}  // namespace sv::test
