#include "RealKeys.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/UniqueHandle.h"

namespace sv::test {
namespace {

// After the keys of each call, xdotool presses Pause: nothing in the wizard answers it, and when
// its release has been taken from the queue every key before it has been handled.
constexpr const char* kSentinel = "Pause";
int sentinelsSeen = 0;

LRESULT CALLBACK KeyboardHook(int code, WPARAM key, LPARAM flags) {
    const bool released = (flags & 0x80000000) != 0;
    if (code == HC_ACTION && key == VK_PAUSE && released) ++sentinelsSeen;
    return CallNextHookEx(nullptr, code, key, flags);
}

// Starts xdotool (a program of the Unix side, which Wine runs) with `arguments`, its errors going
// to the test's own stderr. Wine gives no handle for a Unix process, so nothing here waits for
// it: the sentinel key tells when it has done its work.
// Wine's start.exe (the 64-bit one, also for the 32-bit build) starts it: a Unix program started
// straight from the test can cut the test's standard output off, and all the test prints
// afterwards, its GoogleTest summary too, would be lost.
bool StartXdotool(const std::string& arguments) {
    const std::string line = "exec xdotool " + arguments + " >&2";
#ifdef _WIN64
    std::wstring command = L"C:\\windows\\system32\\start.exe";
#else
    std::wstring command = L"C:\\windows\\sysnative\\start.exe";
#endif
    command += L" /unix /bin/sh -c \"" + std::wstring(line.begin(), line.end()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "xdotool could not be started (" << GetLastError() << ")";
        return false;
    }
    const UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return true;
}

void Pump(HWND frame) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsWindow(frame) || !IsDialogMessageW(frame, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace

bool FocusFrame(HWND frame) {
    for (int turn = 0; turn < 100 && GetForegroundWindow() != frame; ++turn) {
        SetForegroundWindow(frame);
        Pump(frame);
        Sleep(10);
    }
    if (GetForegroundWindow() != frame) {
        ADD_FAILURE() << "the frame did not become the foreground window";
        return false;
    }
    return PressKeys(frame, "");
}

bool PressKeys(HWND frame, const std::string& keys) {
    static const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD, KeyboardHook, nullptr, GetCurrentThreadId());
    if (hook == nullptr) {
        ADD_FAILURE() << "no keyboard hook";
        return false;
    }
    // The X keyboard focus goes to the frame's X window first (what a window manager would do).
    const auto window = reinterpret_cast<std::uintptr_t>(GetPropW(frame, L"__wine_x11_whole_window"));
    if (window == 0) {
        ADD_FAILURE() << "the frame has no X window";
        return false;
    }
    const int expected = sentinelsSeen + 1;
    if (!StartXdotool("windowfocus --sync " + std::to_string(window) + " key --delay 30 " + keys + " " + kSentinel))
        return false;
    for (DWORD start = GetTickCount(); sentinelsSeen < expected; Sleep(5)) {
        Pump(frame);
        // Keys that ended the wizard: the hidden frame takes no more keys, so the rest of them
        // (the sentinel) goes elsewhere.
        if (!IsWindow(frame) || !IsWindowVisible(frame)) return true;
        if (GetTickCount() - start > 10000) {
            ADD_FAILURE() << "the keys '" << keys << "' never reached the wizard";
            return false;
        }
    }
    Pump(frame);
    return true;
}

}  // namespace sv::test
