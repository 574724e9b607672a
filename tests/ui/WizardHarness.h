// Drives the wizard's real windows from inside their own modal loop, under Xvfb.
//
// A test builds an InstallerState and a CInstallDlg, then runs it with RunWizard: the script runs
// once the frame is shown, as a thread timer dispatched by the dialog's modal loop, and drives
// the windows by messages. Message boxes never appear: a MessageBoxRecorder records what they
// would show and answers them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/InstallerState.h"
#include "ui/InstallDlg.h"
#include "ui/framework/WinApp.h"

namespace sv::test {

// Records the message boxes of the framework and answers them with a queue of button ids (the
// last answer repeats; IDOK when none is given).
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(std::vector<int> answers = {});
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void Answer(std::vector<int> answers) { answers_ = std::move(answers); }
    const std::vector<ui::MessageBoxRequest>& Boxes() const { return boxes_; }

private:
    std::vector<ui::MessageBoxRequest> boxes_;
    std::vector<int> answers_;
};

// Runs `frame` modally and `script` once it is shown. When the script leaves the frame open, the
// harness closes it and DoModal answers kLeftOpen.
inline constexpr INT_PTR kLeftOpen = -7;
INT_PTR RunWizard(ui::CInstallDlg& frame, const std::function<void(ui::CInstallDlg&)>& script);

// Runs `action` from the thread's message loop at its next turn (for scripts that open a nested
// modal window: the action runs inside that window's loop).
void RunLater(std::function<void()> action);
// Runs `action` at each turn of the message loop until it answers true.
void RunWhen(std::function<bool()> action);

// A visible dialog of this thread owned by `owner` (an About box, a folder browser), or null.
HWND FindOwnedDialog(HWND owner);

// Presses a button as the user would (it must be enabled and visible).
void Click(HWND button);
void Click(const ui::CDialog& dialog, int id);
std::wstring Text(HWND window);
std::wstring Text(const ui::CDialog& dialog, int id);
bool Enabled(const ui::CDialog& dialog, int id);
// Picks a list entry and tells the page as the list does.
void SelectListEntry(const ui::CDialog& page, int listId, int position);

// Puts `state` where start-up leaves it on a machine without the product, in English.
void MakeFresh(InstallerState& state);

std::string Narrow(const std::wstring& text);

}  // namespace sv::test
