// The application object's start hook when the registry fails at start-up: the system's text for
// the failure's code in the shared message box, and the start-up ends like the other refusals (the
// start hook answers false, so the process ends normally and the instance counter counts it out)
// instead of the process being aborted. The failure comes through the registry-open seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/InstallApp.h"
#include "app/Registry.h"
#include "app/StartUp.h"
#include "ui/framework/WinApp.h"

namespace sv {
namespace {

std::wstring SystemText(DWORD code) {
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512, nullptr);
    std::wstring result = text;
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n')) result.pop_back();
    return result;
}

// Counts the wizard frames that start-up tries to create, and refuses them: a test that reaches
// the wizard ends at once instead of waiting for a user.
HHOOK frameHook = nullptr;
int framesAttempted = 0;
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (create->lpcs->hwndParent == nullptr) {
            ++framesAttempted;
            return 1;
        }
    }
    return CallNextHookEx(frameHook, code, wParam, lParam);
}

class StartUpRegistryFailure : public testing::TestWithParam<LSTATUS> {
protected:
    void SetUp() override {
        CheckProcessor();
        frameHook = SetWindowsHookExW(WH_CBT, RefuseDialogs, nullptr, GetCurrentThreadId());
        ui::SetMessageBoxHook([this](const ui::MessageBoxRequest& box) {
            boxes_.push_back(box.text);
            return IDOK;
        });
    }
    void TearDown() override {
        SetRegistryOpenHook({});
        ui::SetMessageBoxHook({});
        UnhookWindowsHookEx(frameHook);
    }

    test::RegistrySandbox registry_;
    std::vector<std::wstring> boxes_;
};

TEST_P(StartUpRegistryFailure, ShowsTheSystemTextAndEndsTheStartUp) {
    const LSTATUS status = GetParam();
    std::vector<std::wstring> opened;
    SetRegistryOpenHook([&](HKEY, const std::wstring& path) {
        opened.push_back(path);
        return status;
    });
    framesAttempted = 0;
    bool installRan = false;
    CInstallApp app([&](ui::CDlgInstall&) { return installRan = true; });
    EXPECT_FALSE(app.InitInstance());
    ASSERT_FALSE(opened.empty());  // the installed-version detection reads the registry
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_.front(), SystemText(static_cast<DWORD>(status)));
    EXPECT_FALSE(boxes_.front().empty());
    EXPECT_EQ(framesAttempted, 0);  // no wizard
    EXPECT_FALSE(installRan);
}

INSTANTIATE_TEST_SUITE_P(Codes, StartUpRegistryFailure,
                         testing::Values(LSTATUS{ERROR_ACCESS_DENIED}, LSTATUS{ERROR_BADDB},
                                         LSTATUS{ERROR_NOT_ENOUGH_MEMORY}));

// A missing key is no failure: start-up goes on to the wizard.
TEST_F(StartUpRegistryFailure, AMissingKeyGoesOnToTheWizard) {
    SetRegistryOpenHook([](HKEY, const std::wstring&) { return LSTATUS{ERROR_FILE_NOT_FOUND}; });
    framesAttempted = 0;
    CInstallApp app([](ui::CDlgInstall&) { return false; });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(framesAttempted, 1);  // the wizard frame was to be shown
}

}  // namespace
}  // namespace sv
