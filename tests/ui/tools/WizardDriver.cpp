// Drives the installer's wizard from outside, through its real buttons, as a user would:
//   wizard_driver.exe exit INSTALLER            start, press Exit, confirm with Yes, expect the
//                                               installer to end with exit code 0
//   wizard_driver.exe quick INSTALLER [FOLDER]  quick installation: Next, Next, Install, then on to
//                                               the end page and Exit; prints the installation log
//                                               and saves a PNG of every page shown in FOLDER
// Answers 0 when the wizard behaved as driven (whatever the installation's outcome, which it
// prints), 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "WindowShot.h"
#include "resource.h"

namespace {

constexpr DWORD kPatience = 120000;  // milliseconds before a wait gives up

struct Process {
    PROCESS_INFORMATION info = {};
    ~Process() {
        if (info.hProcess != nullptr) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    bool Ended(DWORD wait = 0) const { return WaitForSingleObject(info.hProcess, wait) == WAIT_OBJECT_0; }
};

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

std::wstring Text(HWND window) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

bool IsDialog(HWND window) {
    wchar_t className[16] = {};
    return GetClassNameW(window, className, 16) != 0 && lstrcmpW(className, L"#32770") == 0;
}

// A visible top-level dialog of the process: the frame (has an Exit button and a page) or a
// message box (anything else).
HWND FindTopDialog(DWORD processId, bool messageBox) {
    struct Search {
        DWORD processId;
        bool messageBox;
        HWND found;
    } search{processId, messageBox, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s.processId || !IsWindowVisible(window) || !IsDialog(window)) return TRUE;
            const bool isFrame = GetDlgItem(window, IDC_BANNER_BACKDROP) != nullptr;
            if (isFrame != s.messageBox) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <typename Condition>
bool WaitFor(const Process& process, Condition condition) {
    for (DWORD waited = 0; waited < kPatience; waited += 50) {
        if (condition()) return true;
        if (process.Ended()) return condition();
        Sleep(50);
    }
    return false;
}

HWND VisiblePage(HWND frame) {
    for (HWND child = GetWindow(frame, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (IsDialog(child) && IsWindowVisible(child)) return child;
    return nullptr;
}

// Presses a button of another process without waiting for what it starts.
void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool Fail(const char* what) {
    std::fprintf(stderr, "wizard_driver: %s\n", what);
    return false;
}

struct Driver {
    Process& process;
    std::wstring shots;
    HWND frame = nullptr;
    int shotNumber = 0;

    void Shoot(const char* name) {
        if (shots.empty()) return;
        Sleep(300);  // let the page paint
        char file[64];
        std::snprintf(file, sizeof file, "%02d-%s.png", ++shotNumber, name);
        const std::wstring path = shots + L"\\" + std::wstring(file, file + std::char_traits<char>::length(file));
        if (sv::test::SaveWindowPng(frame, path))
            std::printf("screenshot: %s\n", file);
        else
            std::fprintf(stderr, "wizard_driver: no screenshot %s\n", file);
    }

    bool WaitForFrame() {
        if (!WaitFor(process, [&] { return (frame = FindTopDialog(process.info.dwProcessId, false)) != nullptr; }))
            return Fail("the wizard did not appear");
        std::printf("wizard: %s\n", Narrow(Text(frame)).c_str());
        // The start page tells which installation it found: what the version detection decided.
        HWND start = nullptr;
        WaitFor(process, [&] { return (start = VisiblePage(frame)) != nullptr; });
        if (start != nullptr)
            std::printf("situation: %s\n", Narrow(Text(GetDlgItem(start, IDC_SITUATION))).c_str());
        return true;
    }

    // Next, and wait until the shown page changed.
    bool Next(const char* name) {
        HWND before = VisiblePage(frame);
        Press(frame, IDOK);
        if (!WaitFor(process, [&] { HWND page = VisiblePage(frame); return page != nullptr && page != before; }))
            return Fail("Next did not change the page");
        Shoot(name);
        return true;
    }

    // Exit; the confirmation box, which must come exactly when `confirmation` says, is answered
    // Yes. Waits for the installer to end.
    bool Exit(bool confirmation) {
        Press(frame, IDCANCEL);
        HWND box = nullptr;
        WaitFor(process, [&] { return (box = FindTopDialog(process.info.dwProcessId, true)) != nullptr; });
        if ((box != nullptr) != confirmation)
            return Fail(confirmation ? "Exit asked no confirmation" : "Exit asked an unexpected question");
        if (box != nullptr) {
            std::wstring text;
            for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t className[16] = {};
                GetClassNameW(child, className, 16);
                if (lstrcmpiW(className, L"Static") == 0 && static_cast<std::size_t>(GetWindowTextLengthW(child)) > text.size()) text = Text(child);
            }
            std::printf("confirmation: %s\n", Narrow(text).c_str());
            Press(box, IDYES);
        }
        if (!process.Ended(kPatience)) return Fail("the installer did not end after Exit");
        DWORD code = 0;
        GetExitCodeProcess(process.info.hProcess, &code);
        std::printf("installer exit code: %ld\n", static_cast<long>(code));
        return code == 0 || Fail("unexpected exit code");
    }
};

bool Quick(Driver& driver) {
    if (!driver.WaitForFrame()) return false;
    driver.Shoot("start");
    if (!driver.Next("mode") || !driver.Next("install")) return false;
    HWND frame = driver.frame;
    HWND page = VisiblePage(frame);
    HWND log = GetDlgItem(page, IDC_INSTALL_LOG);
    if (log == nullptr) return Fail("Next from the mode page did not reach the install page");
    std::printf("install button: %s\n", Narrow(Text(GetDlgItem(frame, IDOK))).c_str());
    HWND status = GetDlgItem(page, IDC_INSTRUCTION);
    const std::wstring before = Text(status);
    Press(frame, IDOK);
    // A run writes the status line and keeps Exit disabled until it has finished.
    if (!WaitFor(driver.process, [&] { return Text(status) != before && IsWindowEnabled(GetDlgItem(frame, IDCANCEL)); }))
        return Fail("the installation did not finish");
    driver.Shoot("installed");
    const bool succeeded = !IsWindowEnabled(GetDlgItem(frame, IDC_BACK));
    std::printf("---- installation log ----\n%s\n---- end of log ----\n", Narrow(Text(log)).c_str());
    std::printf("status: %s\n", Narrow(Text(GetDlgItem(page, IDC_INSTRUCTION))).c_str());
    std::printf("installation: %s\n", succeeded ? "succeeded" : "failed");
    if (succeeded && !driver.Next("end")) return false;
    return driver.Exit(!succeeded);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wizard_driver exit|quick INSTALLER [SCREENSHOT_FOLDER]\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    std::wstring command = L"\"" + std::wstring(argv[2]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    Process process;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process.info)) {
        std::fprintf(stderr, "wizard_driver: the installer did not start (%lu)\n", GetLastError());
        return 1;
    }
    Driver driver{process, argc > 3 ? argv[3] : L""};
    bool ok = false;
    if (mode == L"exit") {
        ok = driver.WaitForFrame();
        if (ok) driver.Shoot("start");
        ok = ok && driver.Exit(true);
    } else if (mode == L"quick") {
        ok = Quick(driver);
    } else {
        std::fprintf(stderr, "wizard_driver: unknown mode\n");
        return 2;
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}
