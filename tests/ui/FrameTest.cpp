// The wizard frame under Xvfb: page order, buttons, the installation run, exit confirmation,
// layout growth and the system menu, read back from the real windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WizardHarness.h"
#include "app/Localisation.h"
#include "resource.h"

namespace sv::test {
namespace {

using ui::CInstallDlg;

class Frame : public ::testing::Test {
protected:
    void SetUp() override { MakeFresh(state); }
    InstallerState state;
    MessageBoxRecorder boxes;
};

TEST_F(Frame, QuickInstallationSkipsFolderAndShortcutPagesAndTheirDataExchange) {
    std::vector<int> visited;
    CInstallDlg frame(state);
    const std::wstring startFolder = state.installFolder;
    RunWizard(frame, [&](CInstallDlg& f) {
        // Stale texts in the skipped pages: a saving exchange would copy them into the state,
        // a loading exchange would replace them.
        SetWindowTextW(f.Page(ui::kPathPage).Item(IDC_FOLDER_EDIT), L"X:\\stale");
        SendMessageW(f.Page(ui::kShortcutPage).Item(IDC_MENU_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
        visited.push_back(f.CurrentPage());
        for (const int button : {IDOK, IDOK, IDC_BACK, IDOK}) {
            Click(f, button);
            visited.push_back(f.CurrentPage());
            EXPECT_FALSE(IsWindowVisible(f.Page(ui::kPathPage).Hwnd()));
            EXPECT_FALSE(IsWindowVisible(f.Page(ui::kShortcutPage).Hwnd()));
        }
        EXPECT_EQ(Text(f.Page(ui::kPathPage), IDC_FOLDER_EDIT), L"X:\\stale");
    });
    EXPECT_EQ(visited, (std::vector<int>{0, 1, 4, 1, 4}));
    EXPECT_EQ(state.installFolder, startFolder);
    EXPECT_TRUE(state.createMenuShortcut);
}

TEST_F(Frame, AdvancedInstallationShowsEveryPageAndQuickSkipsAgain) {
    std::vector<int> visited;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f.Page(ui::kModePage), IDC_ADVANCED_INSTALL);
        for (const int button : {IDOK, IDOK, IDOK, IDC_BACK, IDC_BACK, IDC_BACK}) {
            Click(f, button);
            visited.push_back(f.CurrentPage());
        }
        EXPECT_TRUE(state.customInstallation);
        Click(f.Page(ui::kModePage), IDC_QUICK_INSTALL);
        Click(f, IDOK);
        visited.push_back(f.CurrentPage());
        EXPECT_FALSE(state.customInstallation);
    });
    EXPECT_EQ(visited, (std::vector<int>{2, 3, 4, 3, 2, 1, 4}));
}

// What the three buttons show, read from the windows.
struct Buttons {
    bool back;
    bool next;
    std::wstring nextText;
    bool exit;
    std::wstring exitText;
    int defaultId;
};

Buttons Read(CInstallDlg& f) {
    const LRESULT defId = SendMessageW(f.Hwnd(), DM_GETDEFID, 0, 0);
    return {Enabled(f, IDC_BACK), Enabled(f, IDOK),  Text(f, IDOK),
            Enabled(f, IDCANCEL), Text(f, IDCANCEL), HIWORD(defId) == DC_HASDEFID ? LOWORD(defId) : 0};
}

void ExpectButtons(CInstallDlg& f, const Buttons& want, const char* where) {
    SCOPED_TRACE(where);
    const Buttons got = Read(f);
    EXPECT_EQ(got.back, want.back);
    EXPECT_EQ(got.next, want.next);
    EXPECT_EQ(got.nextText, want.nextText);
    EXPECT_EQ(got.exit, want.exit);
    EXPECT_EQ(got.exitText, want.exitText);
    EXPECT_EQ(got.defaultId, want.defaultId);
    // The default button carries the default style. (Where the focus goes is checked with real
    // keys, which first give the frame the keyboard focus: KeyboardTest.)
    if (want.defaultId != 0) {
        EXPECT_EQ(SendMessageW(f.Item(want.defaultId), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
    }
}

TEST_F(Frame, ButtonsFollowThePageAndTheOutcomeOfEachRun) {
    state.customInstallation = true;
    std::vector<bool> outcomes = {false, true};
    int runs = 0;
    CInstallDlg* running = nullptr;
    const auto run = [&](ui::CDlgInstall& page) {
        ExpectButtons(*running, {false, false, L"Install", false, L"Cancel", IDOK}, "during a run");
        // Commands that reach the frame during the run are ignored.
        SendMessageW(running->Hwnd(), WM_COMMAND, IDCANCEL, 0);
        SendMessageW(running->Hwnd(), WM_COMMAND, IDOK, 0);
        page.AppendLog(L"run " + std::to_wstring(runs) + L"\r\n");
        return outcomes[static_cast<std::size_t>(runs++)];
    };
    CInstallDlg frame(state, run);
    running = &frame;
    const INT_PTR result = RunWizard(frame, [&](CInstallDlg& f) {
        const std::wstring next = L"Next  >";
        ExpectButtons(f, {false, true, next, true, L"Cancel", IDOK}, "start page");
        EXPECT_EQ(Text(f, IDC_BACK), L"<  Back");
        for (const char* page : {"mode page", "path page", "shortcut page"}) {
            Click(f, IDOK);
            ExpectButtons(f, {true, true, next, true, L"Cancel", IDOK}, page);
        }
        Click(f, IDOK);
        ExpectButtons(f, {true, true, L"Install", true, L"Cancel", IDOK}, "install page before a run");
        Click(f, IDOK);
        EXPECT_FALSE(state.installSucceeded);
        ExpectButtons(f, {true, true, L"Install", true, L"Cancel", IDOK}, "install page after a failed run");
        Click(f, IDOK);
        EXPECT_TRUE(state.installSucceeded);
        ExpectButtons(f, {false, true, next, true, L"Exit", IDOK}, "install page after success");
        const std::wstring log = f.InstallPage().LogText();
        Click(f, IDOK);
        EXPECT_EQ(f.CurrentPage(), ui::kEndPage);
        ExpectButtons(f, {true, false, next, true, L"Exit", IDCANCEL}, "end page");
        Click(f, IDC_BACK);
        EXPECT_EQ(f.CurrentPage(), ui::kInstallPage);
        EXPECT_EQ(f.InstallPage().LogText(), log) << "the install page comes back unchanged";
        ExpectButtons(f, {false, true, next, true, L"Exit", IDOK}, "install page again after success");
        Click(f, IDOK);
        Click(f, IDCANCEL);
    });
    EXPECT_EQ(runs, 2) << "a successful installation never runs again";
    EXPECT_TRUE(boxes.Boxes().empty()) << "no confirmation once installed";
    EXPECT_EQ(result, 1);
}

TEST_F(Frame, WithoutAnInstallationRunInstallReportsAFailure) {
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f, IDOK);
        Click(f, IDOK);
        EXPECT_FALSE(state.installSucceeded);
        EXPECT_EQ(Text(f.InstallPage(), IDC_INSTRUCTION), L"Installation failed (Error Code 7).");
        EXPECT_EQ(Text(f, IDOK), L"Install");
    });
}

TEST_F(Frame, NewerInstalledDisablesNextAndLeavesWithoutQuestion) {
    state.installMode = InstallMode::NewerInstalled;
    state.installedTitle = L"Sarvelix 6.05";
    CInstallDlg frame(state);
    const INT_PTR result = RunWizard(frame, [&](CInstallDlg& f) {
        EXPECT_FALSE(Enabled(f, IDOK));
        EXPECT_FALSE(Enabled(f, IDC_BACK));
        EXPECT_EQ(SendMessageW(f.Hwnd(), DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
        // The only way left: the language list and Exit.
        ui::CDlgStart& start = f.StartPage();
        SelectListEntry(start, IDC_LANGUAGE_LIST, 2);  // German
        EXPECT_FALSE(Enabled(f, IDOK));
        Click(f, IDCANCEL);
    });
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(result, 2);
}

// Exit before the installation succeeded: whether it asks, per mode and page.
struct ExitCase {
    InstallMode mode;
    int page;
    bool asks;
};
void PrintTo(const ExitCase& c, std::ostream* out) {
    *out << "mode " << static_cast<int>(c.mode) << " page " << c.page << (c.asks ? " asks" : " leaves");
}

class ExitConfirmation : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitConfirmation, AsksUnlessNothingWouldBeLost) {
    const ExitCase c = GetParam();
    InstallerState state;
    MakeFresh(state);
    state.installMode = c.mode;
    state.installedTitle = L"Sarvelix 6.04g";
    MessageBoxRecorder boxes({IDNO, IDYES});
    CInstallDlg frame(state);
    HWND frameWindow = nullptr;
    const INT_PTR result = RunWizard(frame, [&](CInstallDlg& f) {
        frameWindow = f.Hwnd();
        while (f.CurrentPage() < c.page) Click(f, IDOK);
        ASSERT_EQ(f.CurrentPage(), c.page);
        Click(f, IDCANCEL);
        if (!c.asks) return;
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_TRUE(IsWindow(f.Hwnd())) << "No keeps the wizard open";
        EXPECT_EQ(f.CurrentPage(), c.page);
        // The close box asks the same question; Yes leaves.
        SendMessageW(f.Hwnd(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 2);
    if (!c.asks) {
        EXPECT_TRUE(boxes.Boxes().empty());
        return;
    }
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    const ui::MessageBoxRequest& box = boxes.Boxes()[0];
    EXPECT_EQ(box.text, L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
    EXPECT_EQ(box.type, 0x124u);
    EXPECT_EQ(box.caption, L"Installer \u2013 Sarvelix 6.04h");
    EXPECT_EQ(box.owner, frameWindow);
}

INSTANTIATE_TEST_SUITE_P(PerModeAndPage, ExitConfirmation,
                         ::testing::Values(ExitCase{InstallMode::FreshInstall, 0, true},
                                           ExitCase{InstallMode::FreshInstall, 4, true},
                                           ExitCase{InstallMode::SameVersion, 0, false},
                                           ExitCase{InstallMode::SameVersion, 1, true},
                                           ExitCase{InstallMode::Update, 0, true},
                                           ExitCase{InstallMode::NewerInstalled, 0, false}));

RECT ClientRectOf(HWND parent, HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int DialogUnitsX(HWND dialog, int units) {
    RECT rect = {0, 0, units, 0};
    MapDialogRect(dialog, &rect);
    return rect.right;
}

TEST_F(Frame, GrowsToItsWidestPageAndMovesTheButtonRow) {
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        HWND w = f.Hwnd();
        // Page templates in dialog units, in wizard order.
        const int pageWidths[] = {251, 279, 278, 278, 219, 242};
        const int pageHeights[] = {84, 82, 86, 105, 97, 56};
        const RECT backdrop = ClientRectOf(w, f.Item(IDC_BANNER_BACKDROP));
        const RECT separator = ClientRectOf(w, f.Item(IDC_SEPARATOR));
        RECT client = {};
        GetClientRect(w, &client);

        const int widest = DialogUnitsX(w, 279);
        EXPECT_EQ(client.right, backdrop.right + widest) << "the frame is as wide as the widest page";
        const int dx = client.right - DialogUnitsX(w, 273);
        EXPECT_GT(dx, 0);
        for (int i = 0; i < ui::kPageCount; ++i) {
            const RECT page = ClientRectOf(w, f.Page(i).Hwnd());
            EXPECT_EQ(page.left, backdrop.right) << "page " << i;
            EXPECT_EQ(page.top, 0) << "page " << i;
            EXPECT_EQ(page.right - page.left, widest) << "page " << i;
            EXPECT_EQ(page.bottom, separator.top) << "page " << i << " fills the area above the separator";
            RECT tall = {0, 0, pageWidths[i], pageHeights[i]};
            MapDialogRect(w, &tall);
            EXPECT_LE(tall.bottom, separator.top) << "no page is taller than the area";
        }
        // Buttons and separator follow the growth; the strip keeps its height (no page is taller).
        EXPECT_EQ(ClientRectOf(w, f.Item(IDOK)).left, DialogUnitsX(w, 138) + dx);
        EXPECT_EQ(ClientRectOf(w, f.Item(IDC_BACK)).left, DialogUnitsX(w, 69) + dx);
        EXPECT_EQ(ClientRectOf(w, f.Item(IDCANCEL)).left, DialogUnitsX(w, 216) + dx);
        EXPECT_EQ(separator.left, DialogUnitsX(w, 1));
        EXPECT_GE(separator.right, client.right - 1) << "the separator still reaches the right edge";
        EXPECT_EQ(backdrop.bottom, separator.top);
        // A page's controls follow its own growth: the start page's situation text.
        const RECT situation = ClientRectOf(f.StartPage().Hwnd(), f.StartPage().Item(IDC_SITUATION));
        EXPECT_EQ(situation.right - situation.left,
                  DialogUnitsX(w, 237) + widest - DialogUnitsX(w, 251));
    });
}

TEST_F(Frame, SystemMenuOffersAboutAndNeverMaximises) {
    CInstallDlg frame(state);
    std::vector<std::wstring> about;
    RunWizard(frame, [&](CInstallDlg& f) {
        HMENU menu = GetSystemMenu(f.Hwnd(), FALSE);
        wchar_t item[128] = {};
        GetMenuStringW(menu, IDM_ABOUTBOX, item, 128, MF_BYCOMMAND);
        EXPECT_STREQ(item, L"&About 'Installer'...");
        EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
        EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));

        MINMAXINFO info = {};
        SendMessageW(f.Hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        RECT window = {};
        GetWindowRect(f.Hwnd(), &window);
        EXPECT_EQ(info.ptMaxSize.x, window.right - window.left);
        EXPECT_EQ(info.ptMaxSize.y, window.bottom - window.top);

        // Any command 16 to 31 opens the About box; it is read and closed from inside its loop.
        RunWhen([&] {
            HWND box = FindOwnedDialog(f.Hwnd());
            if (box == nullptr) return false;
            about = {Text(box), Text(GetDlgItem(box, IDC_ABOUT_PRODUCT)), Text(GetDlgItem(box, IDC_ABOUT_LEGAL)),
                     Text(GetDlgItem(box, IDOK))};
            Click(GetDlgItem(box, IDOK));
            return true;
        });
        SendMessageW(f.Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX | 3, 0);
    });
    ASSERT_EQ(about.size(), 4u);
    EXPECT_EQ(about[0], L"About 'Installer'");
    EXPECT_EQ(about[1], L"Install 2.04a");
    EXPECT_EQ(about[2], L"Copyright \u00A9 2026 Kavrenco. All rights reserved.");
    EXPECT_EQ(about[3], L"OK");
}

}  // namespace
}  // namespace sv::test
