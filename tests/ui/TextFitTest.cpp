// Every text of the wizard fits its control, in each of the ten languages the installer is
// translated into: the real frame, pages and About box under Wine and Xvfb, measured with each
// control's own font (DrawTextW with DT_CALCRECT). Single-line controls must hold the text's
// width; static texts, which wrap, must hold its height at their width.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "WizardHarness.h"
#include "app/Localisation.h"
#include "resource.h"

namespace sv::test {
namespace {

using ui::CInstallDlg;

std::wstring ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

// The extent of `text` in `window`'s font, laid out with `format` in at most `width` pixels.
SIZE Measure(HWND window, const std::wstring& text, UINT format, int width) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
    RECT rect = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Room a control keeps for itself beside its text, in pixels: the box of a check box or radio
// button and its gap, the frame of a group box around its caption, a push button's edges and
// focus rectangle.
int ButtonChrome(LONG style) {
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
    case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
        return GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE);
    case BS_GROUPBOX:
        return 2 * (GetSystemMetrics(SM_CXEDGE) + 6);
    default:
        return 2 * (GetSystemMetrics(SM_CXEDGE) + 3);
    }
}

// Appends a line to `faults` for every control of `dialog` whose text does not fit.
void CheckControls(HWND dialog, const std::string& where, std::vector<std::string>& faults) {
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        const std::wstring text = Text(control);
        const std::wstring kind = ClassOf(control);
        if (text.empty() || (kind != L"Static" && kind != L"Button")) continue;  // edits hold data, not texts
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        RECT client = {};
        GetClientRect(control, &client);
        const int width = client.right, height = client.bottom;
        bool fits = true;
        SIZE need = {};
        if (kind == L"Static") {
            const LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
                continue;  // pictures, rectangles, lines
            UINT format = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
            format |= (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) ? DT_SINGLELINE : DT_WORDBREAK;
            need = Measure(control, text, format, width);
            fits = need.cx <= width && need.cy <= height;
        } else {
            need = Measure(control, text, DT_SINGLELINE, 0);
            need.cx += ButtonChrome(style);
            fits = need.cx <= width;
        }
        if (fits) continue;
        std::ostringstream line;
        line << where << ", control " << GetDlgCtrlID(control) << " (" << width << " x " << height << " px) needs "
             << need.cx << " x " << need.cy << ": \"" << Narrow(text) << "\"";
        faults.push_back(line.str());
    }
}

// The caption of a top-level window fits beside its icon and its three caption buttons.
void CheckCaption(HWND window, const std::string& where, std::vector<std::string>& faults) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    const std::wstring text = Text(window);
    RECT rect = {};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    DeleteObject(font);
    RECT window_rect = {};
    GetWindowRect(window, &window_rect);
    const int room = window_rect.right - window_rect.left - 3 * metrics.iCaptionWidth - GetSystemMetrics(SM_CXSMICON) -
                     4 * GetSystemMetrics(SM_CXFRAME);
    if (rect.right <= room) return;
    std::ostringstream line;
    line << where << ", caption (" << room << " px) needs " << rect.right << ": \"" << Narrow(text) << "\"";
    faults.push_back(line.str());
}

struct LanguageCase {
    LanguageIndex language;
    const char* name;
};
void PrintTo(const LanguageCase& c, std::ostream* out) { *out << c.name; }

class TextsFit : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(TextsFit, OnEveryPageTheFrameAndTheAboutBox) {
    const LanguageIndex language = GetParam().language;
    std::vector<std::string> faults;
    const InstallMode modes[] = {InstallMode::FreshInstall, InstallMode::Update, InstallMode::SameVersion,
                                 InstallMode::NewerInstalled};
    for (const InstallMode mode : modes) {
        InstallerState state;
        MakeFresh(state);
        SetLanguage(language);
        ASSERT_EQ(CurrentLanguage(), language);
        if (ui::CWinApp* app = ui::AfxGetApp()) app->SetAppName(InstallerState::ApplicationTitle());
        state.installMode = mode;
        state.installedTitle = mode == InstallMode::NewerInstalled ? L"Sarvelix 6.05a" : L"Sarvelix 6.04g";
        state.customInstallation = true;
        std::vector<std::wstring> statusTexts = {
            CatalogueText(IDS_PREPARING), CatalogueText(IDS_CREATING_SHORTCUTS), CatalogueText(IDS_WRITING_REGISTRY),
            CatalogueText(IDS_WRITING_INSTALL_DATA), FormatCatalogueText(IDS_INSTALL_FAILED, L"1:80070070"),
            FormatCatalogueText(IDS_CLICK_CONTINUE, CatalogueText(IDS_NEXT))};
        const std::string prefix = "mode " + std::to_string(static_cast<int>(mode));
        CInstallDlg* shown = nullptr;
        // The run writes each status line of a real run into the status control and checks it.
        CInstallDlg frame(state, [&](ui::CDlgInstall& page) {
            for (const std::wstring& text : statusTexts) {
                page.SetStatusText(text);
                CheckControls(page.Hwnd(), prefix + ", install page during a run", faults);
            }
            CheckControls(shown->Hwnd(), prefix + ", frame during a run", faults);
            return true;
        });
        shown = &frame;
        MessageBoxRecorder boxes;
        RunWizard(frame, [&](CInstallDlg& f) {
            const auto checkPage = [&] {
                const std::string where = prefix + ", page " + std::to_string(f.CurrentPage());
                CheckControls(f.Page(f.CurrentPage()).Hwnd(), where, faults);
                CheckControls(f.Hwnd(), where + " frame", faults);
            };
            CheckCaption(f.Hwnd(), prefix + ", frame", faults);
            checkPage();
            RunWhen([&] {
                HWND box = FindOwnedDialog(f.Hwnd());
                if (box == nullptr) return false;
                CheckCaption(box, prefix + ", About box", faults);
                CheckControls(box, prefix + ", About box", faults);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return true;
            });
            SendMessageW(f.Hwnd(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            if (mode == InstallMode::NewerInstalled) return;  // nothing beyond the start page
            while (f.CurrentPage() < ui::kInstallPage) {
                Click(f, IDOK);
                checkPage();
            }
            Click(f, IDOK);  // the run
            checkPage();
            Click(f, IDOK);  // the end page
            EXPECT_EQ(f.CurrentPage(), ui::kEndPage);
            checkPage();
        });
    }
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
}

INSTANTIATE_TEST_SUITE_P(
    InstallerLanguages, TextsFit,
    ::testing::Values(LanguageCase{0, "French"}, LanguageCase{1, "English"}, LanguageCase{2, "German"},
                      LanguageCase{3, "Spanish"}, LanguageCase{4, "Portuguese"}, LanguageCase{7, "Turkish"},
                      LanguageCase{9, "Romanian"}, LanguageCase{11, "Italian"}, LanguageCase{12, "Czech"},
                      LanguageCase{19, "Hungarian"}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sv::test
