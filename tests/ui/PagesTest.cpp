// The mode, path, shortcut, install and end pages under Xvfb.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <sstream>
#include <vector>

#include "WizardHarness.h"
#include "app/Localisation.h"
#include "resource.h"

namespace sv::test {
namespace {

using ui::CInstallDlg;

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Advanced installation, up to `page`.
void GoTo(CInstallDlg& f, int page) {
    Click(f, IDOK);
    Click(f.Page(ui::kModePage), IDC_ADVANCED_INSTALL);
    while (f.CurrentPage() < page) Click(f, IDOK);
}

struct ModeCase {
    InstallMode mode;
};
void PrintTo(const ModeCase& c, std::ostream* out) { *out << "mode " << static_cast<int>(c.mode); }

class PathPageMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(PathPageMode, FolderCanBeChangedOnlyInAFreshInstallation) {
    InstallerState state;
    MakeFresh(state);
    state.installMode = GetParam().mode;
    const bool fresh = GetParam().mode == InstallMode::FreshInstall;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, ui::kPathPage);
        ui::CWizardPage& page = f.Page(ui::kPathPage);
        EXPECT_EQ(Text(page, IDC_FOLDER_EDIT), state.installFolder);
        EXPECT_EQ((GetWindowLongW(page.Item(IDC_FOLDER_EDIT), GWL_STYLE) & ES_READONLY) != 0, !fresh);
        EXPECT_EQ(Enabled(page, IDC_BROWSE), fresh);
        EXPECT_EQ(Enabled(page, IDC_FOLDER_LABEL), fresh);
        EXPECT_EQ(Text(page, IDC_FOLDER_LABEL), L"Select 'Sarvelix' Installation Folder.");
    });
}

INSTANTIATE_TEST_SUITE_P(PerMode, PathPageMode,
                         ::testing::Values(ModeCase{InstallMode::FreshInstall}, ModeCase{InstallMode::SameVersion},
                                           ModeCase{InstallMode::Update}));

TEST(PathPage, RefusesAFolderTextOverTheLimitAndKeepsTheWizardThere) {
    InstallerState state;
    MakeFresh(state);
    const std::wstring before = state.installFolder;
    MessageBoxRecorder boxes;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, ui::kPathPage);
        ui::CWizardPage& page = f.Page(ui::kPathPage);
        HWND edit = page.Item(IDC_FOLDER_EDIT);
        EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 260);

        const std::wstring tooLong = L"C:\\" + std::wstring(258, L'a');  // 261 characters
        SetWindowTextW(edit, tooLong.c_str());  // arrives despite the typing limit
        Click(f, IDOK);
        EXPECT_EQ(f.CurrentPage(), ui::kPathPage);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, L"Enter no more than 260 characters.");
        EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
        EXPECT_EQ(GetFocus(), edit);
        EXPECT_EQ(state.installFolder, before);

        const std::wstring longest = tooLong.substr(0, 260);
        SetWindowTextW(edit, longest.c_str());
        Click(f, IDOK);
        EXPECT_EQ(f.CurrentPage(), ui::kShortcutPage);
        EXPECT_EQ(state.installFolder, longest);
    });
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

struct FolderTextCase {
    const wchar_t* typed;
    bool accepted;
};
void PrintTo(const FolderTextCase& c, std::ostream* out) { *out << ::testing::PrintToString(std::wstring(c.typed)); }

class PathPageFolder : public ::testing::TestWithParam<FolderTextCase> {};

// The product would land wherever the installer was started from (empty or relative text), or on
// a network or device path: such a folder is refused with the system's bad-path text, and the
// wizard stays on the page with the text selected.
TEST_P(PathPageFolder, OnlyAFolderOnADriveLetterLeavesThePage) {
    const FolderTextCase& c = GetParam();
    InstallerState state;
    MakeFresh(state);
    const std::wstring before = state.installFolder;
    MessageBoxRecorder boxes;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, ui::kPathPage);
        ui::CWizardPage& page = f.Page(ui::kPathPage);
        HWND edit = page.Item(IDC_FOLDER_EDIT);
        SetWindowTextW(edit, c.typed);
        Click(f, IDOK);
        if (c.accepted) {
            EXPECT_EQ(f.CurrentPage(), ui::kShortcutPage);
            EXPECT_EQ(state.installFolder, c.typed);
            EXPECT_TRUE(boxes.Boxes().empty());
            return;
        }
        EXPECT_EQ(f.CurrentPage(), ui::kPathPage);
        EXPECT_EQ(state.installFolder, before);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, InstallerState::ErrorCodeText(ERROR_BAD_PATHNAME));
        EXPECT_FALSE(boxes.Boxes()[0].text.empty());
        EXPECT_EQ(boxes.Boxes()[0].caption, InstallerState::ApplicationTitle()) << "the framework's message box";
        EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
        EXPECT_EQ(GetFocus(), edit);
        // Back is always possible, and a folder on a drive then leaves the page.
        Click(f, IDC_BACK);
        EXPECT_EQ(f.CurrentPage(), ui::kPathPage) << "the page is not left with the bad text, not even backwards";
        SetWindowTextW(edit, L"D:\\Apps\\Sarvelix 6");
        Click(f, IDOK);
        EXPECT_EQ(f.CurrentPage(), ui::kShortcutPage);
        EXPECT_EQ(state.installFolder, L"D:\\Apps\\Sarvelix 6");
    });
}

INSTANTIATE_TEST_SUITE_P(Texts, PathPageFolder,
                         ::testing::Values(FolderTextCase{L"", false}, FolderTextCase{L"Sarvelix 6", false},
                                           FolderTextCase{L"Apps\\Sarvelix 6", false},
                                           FolderTextCase{L"\\Apps\\Sarvelix 6", false},
                                           FolderTextCase{L"C:Apps", false},
                                           FolderTextCase{L"\\\\server\\share\\Sarvelix 6", false},
                                           FolderTextCase{L"\\\\?\\C:\\Sarvelix 6", false},
                                           FolderTextCase{L"C:\\Apps\\Sar|velix", false},
                                           FolderTextCase{L"C:\\", true}, FolderTextCase{L"d:\\Apps\\Sarvelix 6", true}));

// Over an existing installation the folder cannot be changed, so it is not held against the user.
TEST(PathPage, AnUnchangeableFolderIsNotRefused) {
    InstallerState state;
    MakeFresh(state);
    state.installMode = InstallMode::Update;
    state.installFolder = L"\\\\server\\share\\Sarvelix 6";
    MessageBoxRecorder boxes;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, ui::kShortcutPage);
        EXPECT_EQ(f.CurrentPage(), ui::kShortcutPage);
    });
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(state.installFolder, L"\\\\server\\share\\Sarvelix 6");
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

TEST(ShortcutPage, ShowsTheFolderRelativeToTheStartMenuAndFollowsTheMenuCheckBox) {
    InstallerState state;
    MakeFresh(state);
    const std::wstring folder = state.startMenuFolder;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        GoTo(f, ui::kShortcutPage);
        ui::CWizardPage& page = f.Page(ui::kShortcutPage);
        EXPECT_EQ(Text(page, IDC_FOLDER_EDIT), L"Programs\\Kavrenco\\Sarvelix 6");
        EXPECT_EQ(SendMessageW(page.Item(IDC_MENU_CHECK), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(SendMessageW(page.Item(IDC_DESKTOP_CHECK), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_TRUE(Enabled(page, IDC_FOLDER_EDIT));
        EXPECT_TRUE(Enabled(page, IDC_BROWSE));

        Click(page, IDC_MENU_CHECK);
        EXPECT_FALSE(Enabled(page, IDC_FOLDER_EDIT));
        EXPECT_FALSE(Enabled(page, IDC_BROWSE));
        Click(page, IDC_DESKTOP_CHECK);
        Click(f, IDOK);
        EXPECT_FALSE(state.createMenuShortcut);
        EXPECT_FALSE(state.createDesktopShortcut);
        EXPECT_EQ(state.startMenuFolder, folder) << "the folder is kept";

        // A folder equal to the Start Menu shows as an empty text and saves back unchanged.
        Click(f, IDC_BACK);
        Click(f, IDC_BACK);
        state.startMenuFolder = ShellFolder(CSIDL_COMMON_STARTMENU);
        Click(f, IDOK);
        EXPECT_EQ(Text(page, IDC_FOLDER_EDIT), L"");
        EXPECT_FALSE(Enabled(page, IDC_FOLDER_EDIT)) << "the check box still decides";
        Click(f, IDOK);
        EXPECT_EQ(state.startMenuFolder, ShellFolder(CSIDL_COMMON_STARTMENU));
    });
}

// A folder outside the Start Menu shows as its own path (another drive has no relative path at
// all), and leaving the page keeps it rather than the Start Menu itself.
TEST(ShortcutPage, FolderOutsideTheStartMenuShowsAndSavesItsFullPath) {
    for (const std::wstring& folder : {std::wstring(L"Q:\\Menus\\Sarvelio 6"), ShellFolder(CSIDL_COMMON_APPDATA) + L"\\Menus"}) {
        SCOPED_TRACE(Narrow(folder));
        InstallerState state;
        MakeFresh(state);
        state.startMenuFolder = folder;
        CInstallDlg frame(state);
        RunWizard(frame, [&](CInstallDlg& f) {
            GoTo(f, ui::kShortcutPage);
            EXPECT_EQ(Text(f.Page(ui::kShortcutPage), IDC_FOLDER_EDIT), folder);
            Click(f, IDOK);
            EXPECT_EQ(f.CurrentPage(), ui::kInstallPage);
        });
        EXPECT_EQ(state.startMenuFolder, folder);
    }
}

struct SummaryCase {
    const wchar_t* folder;
    bool menu;
    bool desktop;
    std::vector<std::wstring> lines;  // after the product line and the heading
};
void PrintTo(const SummaryCase& c, std::ostream* out) {
    *out << (c.menu ? "menu " : "") << (c.desktop ? "desktop " : "") << Narrow(c.folder);
}

class InstallSummary : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(InstallSummary, ListsTheOptionsThatWillBeUsed) {
    const SummaryCase& c = GetParam();
    InstallerState state;
    MakeFresh(state);
    state.installFolder = c.folder;
    state.startMenuFolder = L"C:\\Start Menu\\Programs\\Kavrenco\\Sarvelix 6";
    state.createMenuShortcut = c.menu;
    state.createDesktopShortcut = c.desktop;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f, IDOK);
        ASSERT_EQ(f.CurrentPage(), ui::kInstallPage);
        const std::vector<std::wstring> lines = Lines(f.InstallPage().LogText());
        ASSERT_EQ(lines.size(), 2 + c.lines.size());
        EXPECT_EQ(lines[0], L"'Sarvelix 6.04h' Installation.");
        // The heading: centred between hyphen runs, the longer run on the right.
        const std::wstring& heading = lines[1];
        const std::size_t textAt = heading.find(L" Installation Options ");
        ASSERT_NE(textAt, std::wstring::npos) << Narrow(heading);
        const std::size_t left = textAt;
        const std::size_t right = heading.size() - textAt - std::wstring(L" Installation Options ").size();
        EXPECT_EQ(heading.find_first_not_of(L'-'), left);
        EXPECT_GT(left, 0u);
        EXPECT_TRUE(right == left || right == left + 1) << left << " " << right;
        for (std::size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(lines[2 + i], c.lines[i]);
        EXPECT_FALSE(IsWindowVisible(f.InstallPage().ProgressControl())) << "hidden until the first run";
        EXPECT_EQ(Text(f.InstallPage(), IDC_INSTRUCTION), L"Click on 'Install' to start Installation.");
    });
}

INSTANTIATE_TEST_SUITE_P(
    Options, InstallSummary,
    ::testing::Values(
        SummaryCase{L"C:\\Program Files\\Kavrenco\\Sarvelix 6", true, true,
                    {L"Installation Folder: \"C:\\Program Files\\Kavrenco\\Sarvelix 6\".",
                     L"Creating a Shortcut in the Start Menu (Folder \"C:\\Start Menu\\Programs\\Kavrenco\\Sarvelix 6\").",
                     L"Creating a Shortcut on the Desktop."}},
        SummaryCase{L"D:\\Apps\\Sarvelix", false, false, {L"Installation Folder: D:\\Apps\\Sarvelix."}},
        SummaryCase{L"D:\\Apps\\Sarvelix", false, true,
                    {L"Installation Folder: D:\\Apps\\Sarvelix.", L"Creating a Shortcut on the Desktop."}}));

TEST(InstallPage, RunsAppendTheirLinesUntilTheUserGoesBack) {
    InstallerState state;
    MakeFresh(state);
    int runs = 0;
    const auto failingRun = [&](ui::CDlgInstall& page) {
        ++runs;
        page.AppendLog(L"", true);
        page.ShowProgressBar();
        page.SetProgress(40);
        page.AppendLog(L"run " + std::to_wstring(runs) + L"\r\n");
        page.SetStatusText(L"Installation failed (Error Code 3).");
        return false;
    };
    CInstallDlg frame(state, failingRun);
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        Click(f, IDOK);
        ui::CDlgInstall& page = f.InstallPage();
        const std::vector<std::wstring> summary = Lines(page.LogText());
        Click(f, IDOK);
        Click(f, IDOK);
        std::vector<std::wstring> lines = Lines(page.LogText());
        ASSERT_EQ(lines.size(), summary.size() + 4);
        EXPECT_EQ(std::vector<std::wstring>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(summary.size())), summary);
        EXPECT_EQ(lines[summary.size()].find_first_not_of(L'-'), std::wstring::npos) << "a separator line";
        EXPECT_EQ(lines[summary.size() + 1], L"run 1");
        EXPECT_EQ(lines[summary.size() + 3], L"run 2");
        EXPECT_TRUE(IsWindowVisible(page.ProgressControl()));
        EXPECT_EQ(SendMessageW(page.ProgressControl(), PBM_GETPOS, 0, 0), 40);
        EXPECT_EQ(Text(page, IDC_INSTRUCTION), L"Installation failed (Error Code 3).");

        // Leaving and coming back rebuilds the summary from the current options.
        Click(f, IDC_BACK);
        state.createDesktopShortcut = false;
        Click(f, IDOK);
        lines = Lines(page.LogText());
        EXPECT_EQ(lines.size(), summary.size() - 1);
        EXPECT_EQ(lines.back(), summary[summary.size() - 2]);
    });
}

TEST(EndPage, ShowsCompletionInTheLanguageOfArrival) {
    InstallerState state;
    MakeFresh(state);
    CInstallDlg frame(state, [](ui::CDlgInstall&) { return true; });
    RunWizard(frame, [&](CInstallDlg& f) {
        ui::CWizardPage& end = f.Page(ui::kEndPage);
        EXPECT_EQ(Text(end, IDC_FINAL_MESSAGE), L"") << "nothing before success";
        SelectListEntry(f.StartPage(), IDC_LANGUAGE_LIST, 2);  // German
        Click(f, IDOK);
        Click(f, IDOK);
        Click(f, IDOK);
        Click(f, IDOK);
        ASSERT_EQ(f.CurrentPage(), ui::kEndPage);
        EXPECT_EQ(Text(end, IDC_FINAL_MESSAGE), L"Die Installation ist abgeschlossen.");
        EXPECT_EQ(Text(end, IDC_INSTRUCTION), L"Klicken Sie auf 'Beenden', um die Installation zu beenden.");
        EXPECT_EQ(Text(f, IDCANCEL), L"Beenden");
    });
}

TEST(ModePage, ShowsTheStateAndWritesTheChoiceBack) {
    InstallerState state;
    MakeFresh(state);
    state.customInstallation = true;
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        Click(f, IDOK);
        ui::CWizardPage& mode = f.Page(ui::kModePage);
        EXPECT_EQ(SendMessageW(mode.Item(IDC_ADVANCED_INSTALL), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(SendMessageW(mode.Item(IDC_QUICK_INSTALL), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(Text(mode, IDC_QUICK_INSTALL), L"Quick Installation (Recommended)");
        EXPECT_EQ(Text(mode, IDC_METHOD_GROUP), L"Installation Method");
        Click(mode, IDC_QUICK_INSTALL);
        Click(f, IDOK);
        EXPECT_FALSE(state.customInstallation);
        EXPECT_EQ(f.CurrentPage(), ui::kInstallPage);
    });
}

}  // namespace
}  // namespace sv::test
