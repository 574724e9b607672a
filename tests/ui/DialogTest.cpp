// The framework's dialogs: an exception raised by a message handler stops at the window
// procedure, is told to the user with the system's text for E_UNEXPECTED, and the dialog goes on.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "WizardHarness.h"
#include "resource.h"
#include "ui/framework/Dialog.h"

namespace sv::ui {
namespace {

constexpr UINT kThrowingMessage = WM_APP + 1;
constexpr UINT kAnsweredMessage = WM_APP + 2;
constexpr int kThrowingCommand = 4711;
constexpr INT_PTR kAnswer = 42;

enum class Where { initDialog, message, command };

class ThrowingDialog : public CDialog {
public:
    explicit ThrowingDialog(Where where) : CDialog(IDD_ABOUTBOX), where_(where) {}

protected:
    bool OnInitDialog() override {
        if (where_ == Where::initDialog) throw std::runtime_error("raised while the dialog starts");
        return CDialog::OnInitDialog();
    }
    bool OnCommand(int id, int code, HWND control) override {
        if (id == kThrowingCommand) throw std::logic_error("raised by a command");
        return CDialog::OnCommand(id, code, control);
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
        if (message == kThrowingMessage) throw std::bad_alloc();
        if (message == kAnsweredMessage) {
            result = kAnswer;
            return true;
        }
        return false;
    }

private:
    Where where_;
};

std::wstring SystemText(HRESULT code) {
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code), 0,
                   text, 512, nullptr);
    std::wstring result = text;
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n')) result.pop_back();
    return result;
}

// The system's text for E_UNEXPECTED. Wine has none: there the box shows E_FAIL's text (or, when
// the system has that neither, "Error"), as the installer's other error boxes do.
std::wstring UnexpectedText() {
    if (std::wstring text = SystemText(E_UNEXPECTED); !text.empty()) return text;
    if (std::wstring text = SystemText(E_FAIL); !text.empty()) return text;
    return L"Error";
}

void Raise(HWND dialog, Where where) {
    if (where == Where::message) SendMessageW(dialog, kThrowingMessage, 0, 0);
    if (where == Where::command) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kThrowingCommand, BN_CLICKED), 0);
}

class DialogException : public testing::TestWithParam<Where> {};

TEST_P(DialogException, IsReportedAndTheDialogGoesOn) {
    test::MessageBoxRecorder boxes;
    ThrowingDialog dialog(GetParam());
    ASSERT_TRUE(dialog.Create(nullptr));
    const HWND window = dialog.Hwnd();
    Raise(window, GetParam());
    Raise(window, GetParam());  // again: the dialog is still whole

    const std::size_t expected = GetParam() == Where::initDialog ? 1 : 2;
    ASSERT_EQ(boxes.Boxes().size(), expected);
    for (const MessageBoxRequest& box : boxes.Boxes()) {
        EXPECT_EQ(box.text, UnexpectedText());
        EXPECT_EQ(box.type & MB_ICONMASK, UINT{MB_ICONERROR});
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(SendMessageW(window, kAnsweredMessage, 0, 0), kAnswer);  // handlers still run
}

std::string HandlerName(const testing::TestParamInfo<Where>& info) {
    switch (info.param) {
    case Where::initDialog: return "InitDialog";
    case Where::message: return "Message";
    default: return "Command";
    }
}

INSTANTIATE_TEST_SUITE_P(Handlers, DialogException,
                         testing::Values(Where::initDialog, Where::message, Where::command), HandlerName);

}  // namespace
}  // namespace sv::ui
