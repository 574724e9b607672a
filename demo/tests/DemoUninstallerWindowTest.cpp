// The uninstaller stand-in's message boxes, answered as a user would.
// Needs a display (label "gui": run under xvfb-run).
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "UninstallerTestSupport.h"

namespace demo {
namespace {

using Kind = sv::LogEntryKind;

struct Box {
    HWND window = nullptr;
    std::wstring caption, text;
};

// Waits for a message box of the process other than `previous`.
Box WaitForBox(DWORD processId, HWND previous) {
    struct Search {
        DWORD processId;
        HWND previous;
        HWND found = nullptr;
    } search{processId, previous};
    for (int i = 0; i < 600 && !search.found; ++i) {
        EnumWindows(
            [](HWND window, LPARAM parameter) CALLBACK -> BOOL {
                auto& s = *reinterpret_cast<Search*>(parameter);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t className[16] = {};
                GetClassNameW(window, className, 16);
                if (owner == s.processId && window != s.previous && IsWindowVisible(window) &&
                    std::wstring_view(className) == L"#32770") {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(50);
    }
    Box box{search.found};
    if (!box.window) return box;
    wchar_t text[512] = {};
    GetWindowTextW(box.window, text, 512);
    box.caption = text;
    GetDlgItemTextW(box.window, 0xFFFF, text, 512);  // the message's static control
    box.text = text;
    return box;
}

TEST(DemoUninstallerWindowTest, AsksFirstAndReportsWhatItDid) {
    struct Answer {
        const wchar_t* caption;
        const wchar_t* text;
        int button;
    };
    const struct {
        const char* name;
        bool writeLog;
        std::vector<Answer> answers;
        DWORD exitCode;
        bool removed;
    } cases[] = {
        {"no", true, {{L"Sarvelix 6.04h", L"Uninstall Sarvelix 6.04h?", IDNO}}, 1, false},
        {"yes",
         true,
         {{L"Sarvelix 6.04h", L"Uninstall Sarvelix 6.04h?", IDYES},
          {L"Sarvelix 6.04h", L"Sarvelix 6.04h has been removed from this computer.", IDOK}},
         0,
         true},
        {"missing log", false, {{L"Sarvelio", L"Sarvelio cannot be uninstalled", IDOK}}, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Machine machine;
        const std::wstring app = machine.root() + L"\\App";
        ASSERT_TRUE(CreateDirectoryW(app.c_str(), nullptr));
        const std::wstring uninstaller = InstallProgram(L"Uninstall.exe", app);
        WriteFile(app + L"\\data.dat");
        if (c.writeLog) {
            WriteLog(app, {Entry(Kind::CreatedFolder, true, app), Entry(Kind::InstalledFile, true, app + L"\\data.dat", 0),
                           Entry(Kind::InstalledFile, true, uninstaller, 2)});
        }

        ProgramRun run(uninstaller, L"");
        HWND previous = nullptr;
        for (const auto& answer : c.answers) {
            const Box box = WaitForBox(run.processId(), previous);
            ASSERT_TRUE(box.window) << "no box saying " << std::wstring(answer.text);
            EXPECT_EQ(box.caption, answer.caption);
            EXPECT_EQ(box.text.substr(0, std::wstring_view(answer.text).size()), answer.text);
            ASSERT_TRUE(PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED), 0));
            previous = box.window;
        }
        EXPECT_EQ(run.WaitAll(), c.exitCode);

        EXPECT_EQ(Exists(app), !c.removed);
        EXPECT_EQ(Exists(app + L"\\data.dat"), !c.removed);
        EXPECT_EQ(Exists(uninstaller), !c.removed);
        EXPECT_EQ(Exists(app + L"\\Uninstall.ulog"), c.writeLog && !c.removed);
    }
}

}  // namespace
}  // namespace demo
