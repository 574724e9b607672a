// The folder picker with the platform's folder browser, under Wine and Xvfb: what it starts with,
// what picking a folder shows, and what the pages receive.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "WizardHarness.h"
#include "resource.h"

namespace sv::test {
namespace {

using ui::CInstallDlg;

// The browser, once Browse has opened it.
HWND Browser(HWND frame) { return FindOwnedDialog(frame); }

HWND BrowserEdit(HWND browser) {
    HWND edit = nullptr;
    EnumChildWindows(
        browser,
        [](HWND child, LPARAM found) CALLBACK -> BOOL {
            wchar_t className[8] = {};
            GetClassNameW(child, className, 8);
            if (lstrcmpiW(className, L"Edit") != 0) return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&edit));
    return edit;
}

TEST(FolderPicker, PathBrowseAppendsTheProductFolderToThePickedFolder) {
    InstallerState state;
    MakeFresh(state);
    const std::wstring start = state.installFolder;
    MessageBoxRecorder boxes;
    CInstallDlg frame(state);
    std::wstring shownAtStart, shownAfterPick, title;
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f.Page(ui::kModePage), IDC_ADVANCED_INSTALL);
        Click(f, IDOK);
        RunWhen([&] {
            HWND browser = Browser(f.Hwnd());
            if (browser == nullptr || BrowserEdit(browser) == nullptr) return false;
            shownAtStart = Text(BrowserEdit(browser));
            SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(L"C:\\windows"));
            shownAfterPick = Text(BrowserEdit(browser));
            PostMessageW(browser, WM_COMMAND, IDOK, 0);
            return true;
        });
        Click(f.Page(ui::kPathPage), IDC_BROWSE);
        EXPECT_EQ(Text(f.Page(ui::kPathPage), IDC_FOLDER_EDIT), state.installFolder);
    });
    EXPECT_EQ(shownAtStart, start);
    EXPECT_EQ(shownAfterPick, L"C:\\windows\\Sarvelix 6");
    EXPECT_EQ(state.installFolder, L"C:\\windows\\Sarvelix 6");
    for (const auto& box : boxes.Boxes()) ADD_FAILURE() << Narrow(box.text);
}

std::wstring CommonStartMenu() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_STARTMENU, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

TEST(FolderPicker, ShortcutTextsAreTakenInTheStartMenuAndMayNotLeaveIt) {
    InstallerState state;
    MakeFresh(state);
    MessageBoxRecorder boxes;
    CInstallDlg frame(state);
    std::wstring shownAtStart;
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f.Page(ui::kModePage), IDC_ADVANCED_INSTALL);
        Click(f, IDOK);
        Click(f, IDOK);
        RunWhen([&] {
            HWND browser = Browser(f.Hwnd());
            if (browser == nullptr || BrowserEdit(browser) == nullptr) return false;
            shownAtStart = Text(BrowserEdit(browser));
            SetWindowTextW(BrowserEdit(browser), L"..\\..\\Outside");
            PostMessageW(browser, WM_COMMAND, IDOK, 0);
            RunWhen([&, browser] {
                if (boxes.Boxes().empty()) return false;
                EXPECT_TRUE(IsWindowVisible(browser)) << "a refused text keeps the browser open";
                SetWindowTextW(BrowserEdit(browser), L"Programs\\Other Place");
                PostMessageW(browser, WM_COMMAND, IDOK, 0);
                return true;
            });
            return true;
        });
        Click(f.Page(ui::kShortcutPage), IDC_BROWSE);
        EXPECT_EQ(Text(f.Page(ui::kShortcutPage), IDC_FOLDER_EDIT), L"Programs\\Other Place");
    });
    EXPECT_EQ(shownAtStart, L"Programs\\Kavrenco\\Sarvelix 6");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, InstallerState::ErrorCodeText(ERROR_BAD_PATHNAME));
    EXPECT_EQ(boxes.Boxes()[0].caption, L"") << "the browser's messages have no caption of ours";
    EXPECT_EQ(boxes.Boxes()[0].type & (MB_ICONMASK | MB_TYPEMASK), static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
    EXPECT_EQ(state.startMenuFolder, CommonStartMenu() + L"\\Programs\\Other Place");
}

// Confirming the path picker with nothing typed, a relative text or one that is no folder on a
// drive would install the product wherever the installer was started from: each is refused with
// the bad-path text and the browser stays open; a folder on a drive then closes it.
TEST(FolderPicker, PathTextsThatAreNoFolderOnADriveKeepTheBrowserOpen) {
    const std::vector<std::wstring> refused = {L"", L"   ", L"Sarvelix 6", L"\\Sarvelix 6", L"C:Sarvelix",
                                               L"\\\\server\\share\\Sarvelix 6"};
    InstallerState state;
    MakeFresh(state);
    MessageBoxRecorder boxes;
    CInstallDlg frame(state);
    std::size_t typed = 0;
    bool stayedOpen = true;
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f.Page(ui::kModePage), IDC_ADVANCED_INSTALL);
        Click(f, IDOK);
        RunWhen([&] {
            HWND browser = Browser(f.Hwnd());
            if (browser == nullptr || BrowserEdit(browser) == nullptr) return false;
            if (typed > 0) {
                if (boxes.Boxes().size() < typed) return false;  // the refusal of the last text
                stayedOpen = stayedOpen && IsWindowVisible(browser);
            }
            const std::wstring text = typed < refused.size() ? refused[typed] : L"C:\\windows";
            ++typed;
            SetWindowTextW(BrowserEdit(browser), text.c_str());
            PostMessageW(browser, WM_COMMAND, IDOK, 0);
            return typed > refused.size();
        });
        Click(f.Page(ui::kPathPage), IDC_BROWSE);
    });
    EXPECT_TRUE(stayedOpen) << "a refused text keeps the browser open";
    ASSERT_EQ(boxes.Boxes().size(), refused.size());
    for (std::size_t i = 0; i < refused.size(); ++i) {
        SCOPED_TRACE(Narrow(refused[i]));
        EXPECT_EQ(boxes.Boxes()[i].text, InstallerState::ErrorCodeText(ERROR_BAD_PATHNAME));
        EXPECT_EQ(boxes.Boxes()[i].type & (MB_ICONMASK | MB_TYPEMASK), static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
    }
    EXPECT_EQ(state.installFolder, L"C:\\windows");
}

TEST(FolderPicker, CancelLeavesThePageAndTheStateAsTheyWere) {
    InstallerState state;
    MakeFresh(state);
    const std::wstring folder = state.installFolder;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f.Page(ui::kModePage), IDC_ADVANCED_INSTALL);
        Click(f, IDOK);
        RunWhen([&] {
            HWND browser = Browser(f.Hwnd());
            if (browser == nullptr || BrowserEdit(browser) == nullptr) return false;
            SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(L"C:\\windows"));
            PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        Click(f.Page(ui::kPathPage), IDC_BROWSE);
        EXPECT_EQ(Text(f.Page(ui::kPathPage), IDC_FOLDER_EDIT), folder);
    });
    EXPECT_EQ(state.installFolder, folder);
}

}  // namespace
}  // namespace sv::test
