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
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
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

struct FrameSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchFrame(HWND window, LPARAM data) {
    auto& s = *reinterpret_cast<FrameSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == s.processId && IsWindowVisible(window) && IsDialog(window) &&
        GetDlgItem(window, IDC_BANNER_BACKDROP) != nullptr) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindFrame(DWORD processId) {
    FrameSearch search{processId, nullptr};
    EnumWindows(MatchFrame, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK TakeLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR data) {
    *reinterpret_cast<WORD*>(data) = found;
    return FALSE;
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
    std::ifstream in(std::filesystem::path(payload), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty() || !CopyFileW(installer.c_str(), copy.c_str(), FALSE)) return false;
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    // The resource keeps its language, so that it replaces the old one rather than joining it.
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    if (HMODULE module = LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceLanguagesW(module, MAKEINTRESOURCEW(kPayloadType), MAKEINTRESOURCEW(kPayloadId), TakeLanguage,
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
    std::vector<double> answers;    // milliseconds
    std::vector<ULONGLONG> sentAt;  // GetTickCount64 when each was sent
    std::thread pinger([&] {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        while (!done) {
            const ULONGLONG next = GetTickCount64() + kPingInterval;
            DWORD_PTR result = 0;
            sentAt.push_back(GetTickCount64());
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
    std::vector<std::pair<ULONGLONG, std::wstring>> statuses;  // what the page showed, and since when
    const bool finished = WaitFor(process.hProcess, [&] {
        const std::wstring shown = Text(status);
        if (statuses.empty() || statuses.back().second != shown) statuses.emplace_back(GetTickCount64(), shown);
        return shown != before && IsWindowEnabled(GetDlgItem(frame, IDCANCEL));
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
    // Where the five longest answers fell: the status text shown when each message was sent.
    std::vector<std::size_t> order(answers.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return answers[a] > answers[b]; });
    for (std::size_t k = 0; k < order.size() && k < 5; ++k) {
        const std::size_t i = order[k];
        std::wstring shown;
        for (const auto& [since, text] : statuses)
            if (since <= sentAt[i]) shown = text;
        char narrow[512] = {};
        WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), -1, narrow, sizeof narrow - 1, nullptr, nullptr);
        std::printf("  %.1f ms at %.2f s: %s\n", answers[i], static_cast<double>(sentAt[i] - installStart) / 1000.0,
                    narrow);
    }
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
