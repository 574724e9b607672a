// The wizard's rules that need no window: which page follows which, the state of the frame's
// buttons, the frame's growth to its largest page, and the text arithmetic of the log and menu.
#pragma once

#include <span>
#include <string>

#include "app/Product.h"

namespace sv::ui {

// The pages in wizard order.
enum WizardPage : int { kStartPage = 0, kModePage, kPathPage, kShortcutPage, kInstallPage, kEndPage, kPageCount };

// The page that ShowPage(index) brings up when `current` is shown: quick installation skips the
// path and shortcut pages in the direction of travel.
int TargetPage(int index, int current, bool customInstallation);

// Captions are message numbers of the catalogue.
struct ButtonStates {
    bool backEnabled;
    bool nextEnabled;
    bool nextIsInstall;  // Next shows 1007 "Install" rather than 1006 "Next  >"
    bool exitIsExit;     // Exit shows 1004 "Exit" rather than 1002 "Cancel"
    bool exitIsDefault;  // Exit holds the focus and the default-button role
};
// The buttons once `page` is shown.
ButtonStates ButtonsFor(int page, bool installSucceeded);

// Exit asks for confirmation (message 1110) unless the installation succeeded, a newer version
// is installed, or the same version is installed and the start page is shown.
bool ExitNeedsConfirmation(bool installSucceeded, InstallMode mode, int page);

// Text of the system menu's About item from message 1003 already filled in.
std::wstring AboutItemText(const std::wstring& about, bool rightToLeft);

// Frame growth: rectangles in client pixels.
struct Box {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
struct Growth {
    Box bounds;  // every page takes this rectangle
    int dx;      // how much wider the frame becomes (0 or more)
    int dy;      // how much taller
};
// The pages' sizes placed at the page area's top-left corner, united with the area.
struct PageSize {
    int width, height;
};
Growth GrowthFor(const Box& pageArea, std::span<const PageSize> pages);

}  // namespace sv::ui
