// The start page under Xvfb: the language list, the situation per installation mode and the
// switching of the whole wizard to another language.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "WizardHarness.h"
#include "app/Localisation.h"
#include "resource.h"

namespace sv::test {
namespace {

using ui::CInstallDlg;

LPARAM EntryData(HWND list, int position) {
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_LPARAM;
    item.iItem = position;
    SendMessageW(list, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

std::wstring EntryText(HWND list, int position) {
    wchar_t text[128] = {};
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = position;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

TEST(StartPage, ListsTheFifteenProductLanguagesWithFlagsAndOwnNames) {
    InstallerState state;
    MakeFresh(state);
    CInstallDlg frame(state);
    RunWizard(frame, [&](CInstallDlg& f) {
        HWND list = f.StartPage().Item(IDC_LANGUAGE_LIST);
        ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 15);
        std::vector<LPARAM> order;
        for (int i = 0; i < 15; ++i) order.push_back(EntryData(list, i));
        EXPECT_EQ(order, (std::vector<LPARAM>{0, 1, 2, 3, 11, 4, 5, 15, 14, 7, 8, 9, 10, 19, 20}));
        EXPECT_EQ(EntryText(list, 0), L"Fran\u00E7ais");
        EXPECT_EQ(EntryText(list, 2), L"Deutsch");
        EXPECT_EQ(EntryText(list, 8), L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC");
        EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1) << "English, the current language, is selected";

        auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(list, CBEM_GETIMAGELIST, 0, 0));
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(images), 15);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(cx, 18);
        EXPECT_EQ(cy, 12);

        // The dropped list is wide enough for every name, whatever the box's own width.
        HDC dc = GetDC(f.StartPage().Hwnd());
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(f.StartPage().Hwnd(), WM_GETFONT, 0, 0)));
        HWND combo = reinterpret_cast<HWND>(SendMessageW(list, CBEM_GETCOMBOCONTROL, 0, 0));
        const LRESULT dropped = SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0);
        for (int i = 0; i < 15; ++i) {
            const std::wstring name = EntryText(list, i);
            SIZE size = {};
            GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
            EXPECT_GE(dropped, size.cx + 30) << Narrow(name);
        }
        ReleaseDC(f.StartPage().Hwnd(), dc);
    });
}

struct SituationCase {
    InstallMode mode;
    const wchar_t* situation;
    const wchar_t* instruction;
};
void PrintTo(const SituationCase& c, std::ostream* out) { *out << "mode " << static_cast<int>(c.mode); }

class Situation : public ::testing::TestWithParam<SituationCase> {};

TEST_P(Situation, IsWordedPerInstallationMode) {
    InstallerState state;
    MakeFresh(state);
    state.installMode = GetParam().mode;
    state.installedTitle = L"Sarvelix 6.04g";
    CInstallDlg frame(state);
    MessageBoxRecorder boxes;
    RunWizard(frame, [&](CInstallDlg& f) {
        EXPECT_EQ(Text(f.StartPage(), IDC_SITUATION), GetParam().situation);
        EXPECT_EQ(Text(f.StartPage(), IDC_INSTRUCTION), GetParam().instruction);
        EXPECT_EQ(Text(f.StartPage(), IDC_LANGUAGE_CAPTION), L"Select Installation Langage");
        EXPECT_EQ(Text(f.StartPage(), IDC_LEGAL_NOTICE),
                  L"Sarvelix 6.04h is protected by copyright laws and international agreements.");
    });
}

INSTANTIATE_TEST_SUITE_P(
    PerMode, Situation,
    ::testing::Values(
        SituationCase{InstallMode::FreshInstall, L"'Sarvelix 6.04h' Installation.", L"Click on 'Next' to continue."},
        SituationCase{InstallMode::Update, L"Update from 'Sarvelix 6.04g' to 'Sarvelix 6.04h'.",
                      L"Click on 'Next' to continue."},
        SituationCase{InstallMode::SameVersion,
                      L"'Sarvelix 6.04h' is already installed.\r\nDo you confirm Reinstallation ?",
                      L"Click on 'Next' to continue or on 'Cancel' to exit Installation."},
        SituationCase{InstallMode::NewerInstalled,
                      L"'Sarvelix 6.04h' Installation.\r\nA more recent Version (Sarvelix 6.04g) is already installed.",
                      L"Click on 'Cancel' to exit Installation."}));

std::wstring AboutItem(HWND frame) {
    wchar_t item[128] = {};
    GetMenuStringW(GetSystemMenu(frame, FALSE), IDM_ABOUTBOX, item, 128, MF_BYCOMMAND);
    return item;
}

TEST(StartPage, UntranslatedLanguageFallsBackToEnglishAndFrenchSwitchesEveryText) {
    InstallerState state;
    MakeFresh(state);
    CInstallDlg frame(state);
    MessageBoxRecorder boxes;
    RunWizard(frame, [&](CInstallDlg& f) {
        ui::CDlgStart& start = f.StartPage();
        HWND list = start.Item(IDC_LANGUAGE_LIST);

        SelectListEntry(start, IDC_LANGUAGE_LIST, 8);  // Greek: not an installer language
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text,
                  L"'Sarvelix' will be installed in the selected Langage, but the Installer, still under "
                  L"translation,  shall run in English.");
        EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
        EXPECT_EQ(CurrentLanguage(), kEnglish);
        EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 8) << "the list keeps showing the chosen language";
        EXPECT_EQ(Text(f.Hwnd()), L"Installer \u2013 Sarvelix 6.04h");

        SelectListEntry(start, IDC_LANGUAGE_LIST, 0);  // French
        EXPECT_EQ(boxes.Boxes().size(), 1u) << "no message for a translated language";
        EXPECT_EQ(CurrentLanguage(), kFrench);
        EXPECT_EQ(Text(f.Hwnd()), L"Installeur \u2013 Sarvelio 6.04h");
        EXPECT_EQ(ui::AfxGetApp()->AppName(), L"Installeur \u2013 Sarvelio 6.04h");
        EXPECT_EQ(Text(f, IDOK), L"Suivant  >");
        EXPECT_EQ(Text(f, IDCANCEL), L"Annuler");
        EXPECT_EQ(Text(f, IDC_BACK), L"<  Pr\u00E9c\u00E9dent");
        EXPECT_EQ(Text(start, IDC_SITUATION), L"Installation de 'Sarvelio 6.04h'.");
        EXPECT_EQ(AboutItem(f.Hwnd()), L"&\u00C0 propos de 'Installeur'...");
        EXPECT_EQ(Text(f.InstallPage(), IDC_INSTRUCTION), L"Cliquez sur 'Installer' pour d\u00E9marrer l'installation.");

        SelectListEntry(start, IDC_LANGUAGE_LIST, 7);  // Polish: English again, with the message
        EXPECT_EQ(boxes.Boxes().size(), 2u);
        EXPECT_EQ(CurrentLanguage(), kEnglish);
        EXPECT_EQ(Text(f, IDOK), L"Next  >");
    });
}

}  // namespace
}  // namespace sv::test
