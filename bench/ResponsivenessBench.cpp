// responsiveness_bench: how fast the installer's wizard answers while it installs.
//   responsiveness_bench.exe INSTALLER [PAYLOAD]
// Starts INSTALLER (with PAYLOAD as its payload resource instead of its own, in a copy, when
// given), drives a quick installation through the wizard's buttons, and meanwhile sends the
// wizard window WM_NULL every 20 ms with SendMessageTimeout, timing each round trip. Prints the
// number of messages, the longest, the 99th-percentile and the median answer time, and the
// installation's duration. Exit status 0 when the installation succeeded.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "resource.h"

namespace {

constexpr DWORD kPatience = 600000;  // milliseconds before a wait gives up
constexpr DWORD kPingInterval = 20;
constexpr WORD kPayloadType = 260;
constexpr WORD kPayloadId = 134;

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kPatience, &length)) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, kPatience,
                        &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool IsDialog(HWND window) {
    wchar_t className[16] = {};
    return GetClassNameW(window, className, 16) != 0 && lstrcmpW(className, L"#32770") == 0;
}

HWND FindFrame(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.processId && IsWindowVisible(window) && IsDialog(window) &&
                GetDlgItem(window, IDC_BANNER_BACKDROP) != nullptr) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VisiblePage(HWND frame) {
    for (HWND child = GetWindow(frame, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (IsDialog(child) && IsWindowVisible(child)) return child;
    return nullptr;
}

template <typename Condition>
bool WaitFor(HANDLE process, Condition condition) {
    for (DWORD waited = 0; waited < kPatience; waited += 20) {
        if (condition()) return true;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return condition();
        Sleep(20);
    }
    return false;
}

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int Fail(const char* what) {
    std::fprintf(stderr, "responsiveness_bench: %s\n", what);
    return 1;
}

// A copy of the installer whose payload resource is the given file.
bool CopyWithPayload(const std::wstring& installer, const std::wstring& payload, const std::wstring& copy) {
    std::ifstream in(payload, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty() || !CopyFileW(installer.c_str(), copy.c_str(), FALSE)) return false;
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    // The resource keeps its language, so that it replaces the old one rather than joining it.
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    if (HMODULE module = LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceLanguagesW(
            module, MAKEINTRESOURCEW(kPayloadType), MAKEINTRESOURCEW(kPayloadId),
            [](HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR data) -> BOOL {
                *reinterpret_cast<WORD*>(data) = found;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&language));
        FreeLibrary(module);
    }
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    if (update == nullptr) return false;
    const bool updated = UpdateResourceW(update, MAKEINTRESOURCEW(kPayloadType), MAKEINTRESOURCEW(kPayloadId), language,
                                         const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size())) != FALSE;
    return EndUpdateResourceW(update, updated ? FALSE : TRUE) && updated;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: responsiveness_bench INSTALLER [PAYLOAD]\n");
        return 2;
    }
    std::wstring installer = argv[1];
    if (argc > 2) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring copy = std::wstring(temp) + L"InstallBench.exe";
        if (!CopyWithPayload(installer, argv[2], copy)) return Fail("cannot put the payload into a copy of the installer");
        installer = copy;
    }

    std::wstring command = L"\"" + installer + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return Fail("the installer did not start");
    struct Ender {
        PROCESS_INFORMATION& p;
        ~Ender() {
            if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p.hProcess, 99);
            CloseHandle(p.hProcess);
            CloseHandle(p.hThread);
        }
    } ender{process};

    HWND frame = nullptr;
    if (!WaitFor(process.hProcess, [&] { return (frame = FindFrame(process.dwProcessId)) != nullptr; }))
        return Fail("the wizard did not appear");
    for (int step = 0; step < 2; ++step) {  // start page, mode page (quick installation)
        HWND before = VisiblePage(frame);
        Press(frame, IDOK);
        if (!WaitFor(process.hProcess, [&] { HWND page = VisiblePage(frame); return page != nullptr && page != before; }))
            return Fail("Next did not change the page");
    }
    HWND page = VisiblePage(frame);
    HWND status = GetDlgItem(page, IDC_INSTRUCTION);
    HWND log = GetDlgItem(page, IDC_INSTALL_LOG);
    if (status == nullptr || log == nullptr) return Fail("not on the install page");
    const std::wstring before = Text(status);

    std::atomic<bool> done{false};
    std::vector<double> answers;  // milliseconds
    std::thread pinger([&] {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        while (!done) {
            const ULONGLONG next = GetTickCount64() + kPingInterval;
            DWORD_PTR result = 0;
            QueryPerformanceCounter(&start);
            SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result);
            QueryPerformanceCounter(&end);
            answers.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                              static_cast<double>(frequency.QuadPart));
            const ULONGLONG now = GetTickCount64();
            if (now < next) Sleep(static_cast<DWORD>(next - now));
        }
    });
    const ULONGLONG installStart = GetTickCount64();
    Press(frame, IDOK);  // Install
    const bool finished = WaitFor(process.hProcess, [&] {
        return Text(status) != before && IsWindowEnabled(GetDlgItem(frame, IDCANCEL));
    });
    const ULONGLONG installTime = GetTickCount64() - installStart;
    done = true;
    pinger.join();
    if (!finished) return Fail("the installation did not finish");
    const bool succeeded = !IsWindowEnabled(GetDlgItem(frame, IDC_BACK));

    std::vector<double> sorted = answers;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty()) return Fail("no message was answered");
    const auto at = [&](double fraction) {
        return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(sorted.size())))];
    };
    std::printf("installation: %s in %.1f s\n", succeeded ? "succeeded" : "failed", static_cast<double>(installTime) / 1000.0);
    std::printf("messages: %zu (every %lu ms)\n", sorted.size(), static_cast<unsigned long>(kPingInterval));
    std::printf("answer time: longest %.1f ms, 99th percentile %.1f ms, median %.1f ms\n", sorted.back(), at(0.99),
                at(0.5));
    std::fflush(stdout);

    if (succeeded) {  // on to the end page, then Exit
        HWND install = VisiblePage(frame);
        Press(frame, IDOK);
        WaitFor(process.hProcess, [&] { HWND shown = VisiblePage(frame); return shown != nullptr && shown != install; });
        Press(frame, IDCANCEL);
        WaitForSingleObject(process.hProcess, 30000);
    }
    return succeeded ? 0 : 1;
}
