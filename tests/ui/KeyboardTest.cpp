// The wizard's keyboard, with real key presses under Xvfb (xdotool): Tab and Shift+Tab through
// the page's controls and the three buttons, Enter for the default button (or a focused push
// button of the page) except in the log, Escape for Exit from every control, and the focus after
// each page change.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "RealKeys.h"
#include "WizardHarness.h"
#include "resource.h"

namespace sv::test {
namespace {

using ui::CInstallDlg;

// Where the focus is: a frame button, or a control of the page shown (the language list counts
// with the combo box inside it).
constexpr int kBack = -IDC_BACK, kNext = -IDOK, kExit = -IDCANCEL;

int FocusStop(CInstallDlg& f) {
    HWND focus = GetFocus();
    if (focus == nullptr) return 0;
    if (GetParent(focus) == f.Hwnd()) return -GetDlgCtrlID(focus);
    const ui::CWizardPage& page = f.Page(f.CurrentPage());
    for (HWND control = focus; control != nullptr && control != page.Hwnd(); control = GetParent(control))
        if (GetParent(control) == page.Hwnd()) return GetDlgCtrlID(control);
    return 0;
}

std::string StopName(int stop) {
    switch (stop) {
    case kBack: return "Back";
    case kNext: return "Next";
    case kExit: return "Exit";
    case 0: return "nothing of the frame";
    default: return "control " + std::to_string(stop);
    }
}

std::vector<std::string> Names(const std::vector<int>& stops) {
    std::vector<std::string> names;
    for (const int stop : stops) names.push_back(StopName(stop));
    return names;
}

// Up to `page` by the buttons (advanced installation beyond the mode page); the last step is a
// page change, so the focus is where the frame puts it.
void GoTo(CInstallDlg& f, int page) {
    if (page == 0) return;
    Click(f, IDOK);
    if (page == ui::kModePage) return;
    Click(f.Page(ui::kModePage), IDC_ADVANCED_INSTALL);
    while (f.CurrentPage() < page) Click(f, IDOK);
}

struct TabCase {
    int page;
    std::vector<int> cycle;  // from the focus the page change left, once round with Tab
};
void PrintTo(const TabCase& c, std::ostream* out) { *out << "page " << c.page; }

class TabOrder : public ::testing::TestWithParam<TabCase> {};

TEST_P(TabOrder, TabAndShiftTabGoRoundThePageAndTheButtons) {
    const TabCase& c = GetParam();
    InstallerState state;
    MakeFresh(state);
    CInstallDlg frame(state);
    std::vector<int> forward, backward;
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, c.page);
        ASSERT_EQ(f.CurrentPage(), c.page);
        ASSERT_TRUE(FocusFrame(f.Hwnd()));
        forward.push_back(FocusStop(f));
        for (std::size_t i = 1; i < c.cycle.size() + 1; ++i) {
            if (!PressKeys(f.Hwnd(), "Tab")) return;
            forward.push_back(FocusStop(f));
        }
        for (std::size_t i = 0; i < c.cycle.size(); ++i) {
            if (!PressKeys(f.Hwnd(), "shift+Tab")) return;
            backward.push_back(FocusStop(f));
        }
    });
    std::vector<int> round = c.cycle;
    round.push_back(c.cycle.front());
    EXPECT_EQ(Names(forward), Names(round)) << "Tab";
    std::vector<int> back(round.rbegin() + 1, round.rend());
    EXPECT_EQ(Names(backward), Names(back)) << "Shift+Tab";
}

INSTANTIATE_TEST_SUITE_P(
    PerPage, TabOrder,
    ::testing::Values(TabCase{ui::kStartPage, {kNext, kExit, IDC_LANGUAGE_LIST}},  // Back is disabled
                      TabCase{ui::kModePage, {kNext, kExit, IDC_QUICK_INSTALL, kBack}},
                      TabCase{ui::kPathPage, {kNext, kExit, IDC_FOLDER_EDIT, IDC_BROWSE, kBack}},
                      TabCase{ui::kShortcutPage,
                              {kNext, kExit, IDC_MENU_CHECK, IDC_FOLDER_EDIT, IDC_BROWSE, IDC_DESKTOP_CHECK, kBack}},
                      TabCase{ui::kInstallPage, {kNext, kExit, IDC_INSTALL_LOG, kBack}}));

// After each step: the page shown and where the focus is.
struct Where {
    int page;
    int focus;
    bool operator==(const Where&) const = default;
};
void PrintTo(const Where& w, std::ostream* out) { *out << "page " << w.page << " focus " << StopName(w.focus); }

// Enter presses the default button wherever the focus is outside the page's push buttons; after
// every page change the focus is on Next, or on Exit when Next is disabled (the end page).
TEST(Keyboard, EnterPressesTheDefaultButtonAndEachPageChangeFocusesIt) {
    InstallerState state;
    MakeFresh(state);
    state.customInstallation = true;
    int runs = 0;
    CInstallDlg frame(state, [&](ui::CDlgInstall&) { return ++runs > 0; });
    std::vector<Where> seen;
    const INT_PTR result = RunWizard(frame, [&](CInstallDlg& f) {
        ASSERT_TRUE(FocusFrame(f.Hwnd()));
        const auto step = [&](const std::string& keys) {
            if (PressKeys(f.Hwnd(), keys) && IsWindow(f.Hwnd()) && IsWindowVisible(f.Hwnd()))
                seen.push_back({f.CurrentPage(), FocusStop(f)});
        };
        seen.push_back({f.CurrentPage(), FocusStop(f)});
        step("Return");                  // start -> mode
        step("Return");                  // mode -> path (advanced)
        step("shift+Tab Return");        // Back, focused, is pressed: path -> mode
        step("Return");                  // mode -> path
        step("Tab Tab Return");          // in the folder's edit box: Next
        step("Tab Tab Return");          // on the menu check box: Next, to the install page
        step("Return");                  // Install: the run
        step("Return");                  // install -> end
        step("Return");                  // Exit, the end page's default: the wizard closes
    });
    const std::vector<Where> expected = {
        {ui::kStartPage, kNext},   {ui::kModePage, kNext},     {ui::kPathPage, kNext},    {ui::kModePage, kNext},
        {ui::kPathPage, kNext},    {ui::kShortcutPage, kNext}, {ui::kInstallPage, kNext}, {ui::kInstallPage, kNext},
        {ui::kEndPage, kExit},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(result, 1) << "Enter on the end page is Exit, after success without a question";
}

struct BrowseCase {
    int page;
    std::string tabs;  // from Next to the page's Browse button
};
void PrintTo(const BrowseCase& c, std::ostream* out) { *out << "page " << c.page; }

class EnterOnBrowse : public ::testing::TestWithParam<BrowseCase> {};

// Enter on a focused Browse button presses Browse, not the frame's Next.
TEST_P(EnterOnBrowse, OpensTheFolderPicker) {
    const BrowseCase& c = GetParam();
    InstallerState state;
    MakeFresh(state);
    MessageBoxRecorder boxes;
    CInstallDlg frame(state);
    bool browserOpened = false;
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, c.page);
        ASSERT_TRUE(FocusFrame(f.Hwnd()));
        ASSERT_TRUE(PressKeys(f.Hwnd(), c.tabs));
        ASSERT_EQ(FocusStop(f), IDC_BROWSE);
        RunWhen([&] {
            HWND browser = FindOwnedDialog(f.Hwnd());
            if (browser == nullptr) return false;
            browserOpened = true;
            PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        PressKeys(f.Hwnd(), "Return");
        EXPECT_EQ(f.CurrentPage(), c.page) << "Next was not pressed";
    });
    EXPECT_TRUE(browserOpened);
    EXPECT_TRUE(boxes.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(PerPage, EnterOnBrowse,
                         ::testing::Values(BrowseCase{ui::kPathPage, "Tab Tab Tab"},
                                           BrowseCase{ui::kShortcutPage, "Tab Tab Tab Tab"}));

// Enter in the installation log presses nothing: the log is no place to start the installation
// from; Tab leaves the log.
TEST(Keyboard, EnterInTheLogPressesNothing) {
    InstallerState state;
    MakeFresh(state);
    int runs = 0;
    CInstallDlg frame(state, [&](ui::CDlgInstall&) {
        ++runs;
        return false;
    });
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, ui::kInstallPage);
        ASSERT_TRUE(FocusFrame(f.Hwnd()));
        ASSERT_TRUE(PressKeys(f.Hwnd(), "Tab Tab"));
        ASSERT_EQ(FocusStop(f), IDC_INSTALL_LOG);
        const std::wstring log = f.InstallPage().LogText();
        PressKeys(f.Hwnd(), "Return Return");
        EXPECT_EQ(runs, 0);
        EXPECT_EQ(FocusStop(f), IDC_INSTALL_LOG);
        EXPECT_EQ(f.InstallPage().LogText(), log);
        PressKeys(f.Hwnd(), "Tab Return");  // on to Back, which Enter presses
        EXPECT_EQ(f.CurrentPage(), ui::kShortcutPage);
        EXPECT_EQ(runs, 0);
    });
}

struct EscapeCase {
    InstallMode mode;
    int page;
    int stops;  // controls of the Tab cycle on that page
    bool asks;
};
void PrintTo(const EscapeCase& c, std::ostream* out) {
    *out << "mode " << static_cast<int>(c.mode) << " page " << c.page;
}

class EscapeKey : public ::testing::TestWithParam<EscapeCase> {};

// Escape is Exit whatever control has the focus (the log included), with Exit's confirmation:
// No keeps the wizard, Yes ends it.
TEST_P(EscapeKey, IsExitFromEveryControl) {
    const EscapeCase& c = GetParam();
    InstallerState state;
    MakeFresh(state);
    state.installMode = c.mode;
    state.installedTitle = L"Sarvelix 6.04g";
    MessageBoxRecorder boxes({IDNO});
    CInstallDlg frame(state);
    std::vector<std::string> focusAtEscape;
    const INT_PTR result = RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, c.page);
        ASSERT_TRUE(FocusFrame(f.Hwnd()));
        for (int stop = 0; stop < c.stops; ++stop) {
            if (stop > 0 && !PressKeys(f.Hwnd(), "Tab")) return;
            focusAtEscape.push_back(StopName(FocusStop(f)));
            if (!c.asks) break;
            if (!PressKeys(f.Hwnd(), "Escape")) return;
            EXPECT_EQ(boxes.Boxes().size(), static_cast<std::size_t>(stop + 1)) << "at " << focusAtEscape.back();
            EXPECT_TRUE(IsWindowVisible(f.Hwnd())) << "No keeps the wizard";
        }
        boxes.Answer({IDYES});
        PressKeys(f.Hwnd(), "Escape");
    });
    EXPECT_EQ(result, 2) << "Escape ended the wizard";
    EXPECT_EQ(focusAtEscape.size(), static_cast<std::size_t>(c.asks ? c.stops : 1));
    for (const auto& box : boxes.Boxes())
        EXPECT_EQ(box.text, L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
    EXPECT_EQ(boxes.Boxes().size(), c.asks ? static_cast<std::size_t>(c.stops + 1) : 0u);
}

INSTANTIATE_TEST_SUITE_P(PerPage, EscapeKey,
                         ::testing::Values(EscapeCase{InstallMode::FreshInstall, ui::kStartPage, 3, true},
                                           EscapeCase{InstallMode::FreshInstall, ui::kPathPage, 5, true},
                                           EscapeCase{InstallMode::FreshInstall, ui::kShortcutPage, 7, true},
                                           EscapeCase{InstallMode::FreshInstall, ui::kInstallPage, 4, true},
                                           EscapeCase{InstallMode::SameVersion, ui::kStartPage, 1, false}));

}  // namespace
}  // namespace sv::test
