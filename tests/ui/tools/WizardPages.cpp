// Renders every page of the wizard to PNG files for review:
//   wizard_pages.exe OUTPUT_FOLDER [LANGUAGE...]     languages as indexes (default: the ten
//                                                    installer languages)
// Files are named <language>-<page>-<name>.png. The install page is shown before a run; the end
// page after a stand-in run that succeeds without installing anything. Run it inside a Wine
// desktop (wine explorer /desktop=...) so that the frame's caption is drawn.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "WindowShot.h"
#include "app/InstallerState.h"
#include "app/Localisation.h"
#include "resource.h"
#include "ui/InstallDlg.h"
#include "ui/framework/WinApp.h"

namespace {

sv::ui::CWinApp application;

const char* const kPageNames[] = {"start", "mode", "path", "shortcut", "install", "end"};
// The ten languages the installer is translated into, with the tags of the file names.
struct Language {
    sv::LanguageIndex index;
    const char* tag;
};
constexpr Language kLanguages[] = {{1, "en"}, {0, "fr"}, {2, "de"}, {3, "es"}, {4, "pt"},
                                   {7, "tr"}, {9, "ro"}, {11, "it"}, {12, "cs"}, {19, "hu"}};

const char* LanguageTag(sv::LanguageIndex language) {
    for (const Language& known : kLanguages)
        if (known.index == language) return known.tag;
    return "xx";
}

struct Render {
    sv::ui::CInstallDlg* frame;
    std::wstring folder;
    sv::LanguageIndex language;
    int failures = 0;
};
Render* current = nullptr;

void Paint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    GdiFlush();
    Sleep(150);  // let the X server catch up before the screen is read
}

void Shoot(Render& render) {
    sv::ui::CInstallDlg& frame = *render.frame;
    Paint(frame.Hwnd());
    const int page = frame.CurrentPage();
    char name[64];
    std::snprintf(name, sizeof name, "%s-%d-%s.png", LanguageTag(render.language), page, kPageNames[page]);
    const std::wstring path = render.folder + L"\\" + std::wstring(name, name + std::char_traits<char>::length(name));
    if (!sv::test::SaveWindowPng(frame.Hwnd(), path)) {
        std::fprintf(stderr, "wizard_pages: could not save %s\n", name);
        ++render.failures;
    } else {
        std::printf("%s\n", name);
    }
}

void Press(HWND frame, int id) { SendMessageW(GetDlgItem(frame, id), BM_CLICK, 0, 0); }

void CALLBACK Drive(HWND, UINT, UINT_PTR timer, DWORD) {
    Render& render = *current;
    HWND frame = render.frame->Hwnd();
    if (frame == nullptr || !IsWindowVisible(frame)) return;  // shown when the queue first runs empty
    KillTimer(nullptr, timer);
    SetForegroundWindow(frame);
    Shoot(render);                                   // start
    Press(frame, IDOK);
    SendMessageW(render.frame->Page(sv::ui::kModePage).Item(IDC_ADVANCED_INSTALL), BM_CLICK, 0, 0);
    Shoot(render);                                   // mode
    for (int page = sv::ui::kPathPage; page <= sv::ui::kInstallPage; ++page) {
        Press(frame, IDOK);
        Shoot(render);                               // path, shortcut, install
    }
    Press(frame, IDOK);                              // the stand-in run
    Press(frame, IDOK);
    Shoot(render);                                   // end
    EndDialog(frame, IDCANCEL);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizard_pages OUTPUT_FOLDER [LANGUAGE_INDEX...]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0xC0FF};
    InitCommonControlsEx(&controls);
    std::vector<sv::LanguageIndex> languages;
    for (int i = 2; i < argc; ++i) languages.push_back(static_cast<sv::LanguageIndex>(_wtoi(argv[i])));
    if (languages.empty())
        for (const Language& known : kLanguages) languages.push_back(known.index);

    int failures = 0;
    for (const sv::LanguageIndex language : languages) {
        sv::SetLanguage(language);
        application.SetAppName(sv::InstallerState::ApplicationTitle());
        sv::InstallerState state;
        state.ApplyDefaultFolders();
        state.ApplyDefaultOptions();
        const auto standIn = [](sv::ui::CDlgInstall& page) {
            page.ShowProgressBar();
            page.SetProgress(100);
            page.SetStatusText(sv::FormatCatalogueText(IDS_CLICK_CONTINUE, sv::CatalogueText(IDS_NEXT)));
            return true;
        };
        sv::ui::CInstallDlg frame(state, standIn);
        Render render{&frame, argv[1], language};
        current = &render;
        SetTimer(nullptr, 0, 20, Drive);
        if (frame.DoModal() == -1) {
            std::fprintf(stderr, "wizard_pages: the frame could not be created (no display?)\n");
            return 1;
        }
        failures += render.failures;
    }
    return failures == 0 ? 0 : 1;
}
