#include "ui/WizardRules.h"

#include <algorithm>

namespace sv::ui {

int TargetPage(int index, int current, bool customInstallation) {
    if (customInstallation || index == current) return index;
    const int step = index > current ? 1 : -1;
    int target = index;
    while (target == kPathPage || target == kShortcutPage) target += step;
    return target;
}

ButtonStates ButtonsFor(int page, bool installSucceeded) {
    ButtonStates states{};
    states.backEnabled = (page > kStartPage && !installSucceeded) || page > kInstallPage;
    states.nextEnabled = page < kEndPage;
    states.nextIsInstall = page == kInstallPage && !installSucceeded;
    states.exitIsExit = installSucceeded;
    states.exitIsDefault = !states.nextEnabled;
    return states;
}

bool ExitNeedsConfirmation(bool installSucceeded, InstallMode mode, int page) {
    if (installSucceeded) return false;
    if (mode == InstallMode::NewerInstalled) return false;
    if (mode == InstallMode::SameVersion && page == kStartPage) return false;
    return true;
}

std::wstring AboutItemText(const std::wstring& about, bool rightToLeft) {
    if (rightToLeft) return L"..." + about;
    return L"&" + about + L"...";
}

Growth GrowthFor(const Box& pageArea, std::span<const PageSize> pages) {
    Box bounds = pageArea;
    for (const PageSize& page : pages) {
        bounds.right = std::max(bounds.right, pageArea.left + page.width);
        bounds.bottom = std::max(bounds.bottom, pageArea.top + page.height);
    }
    return {bounds, bounds.Width() - pageArea.Width(), bounds.Height() - pageArea.Height()};
}

}  // namespace sv::ui
