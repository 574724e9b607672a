// Stand-in for the installed product, Sarvelio 6.04h, as the demo payload's main executable.
//
//   Sarvelio.exe                                   counts itself into the product family's
//                                                  instance counter and shows a small window
//   Sarvelio.exe /Register /Background [/update=<16 hex digits>]
//                                                  registers itself as the installed product and
//                                                  exits with -10 (2 for a malformed /update=,
//                                                  1 when a registry value cannot be written)
//
// Registration writes:
//   HKLM\Software\Kavrenco                 "Sarvelio 6 Path" = this program's full path
//   HKCR\.sarv                             (default) = "Kavrenco.Sarvelio.6"
//   HKCR\Kavrenco.Sarvelio.6               (default) = "Sarvelio document", DefaultIcon,
//                                          shell\open\command = "<path>" "%1"
//   HKLM\Software\Kavrenco\Sarvelio 6 Test "LastArguments" = the arguments received, for tests
#include <windows.h>
#include <shellapi.h>

#include <cwctype>
#include <string>
#include <vector>

#include "app/InstanceCounter.h"
#include "platform/UniqueHandle.h"

namespace {

constexpr wchar_t kApplicationId[] = L"Sarvelio6";
constexpr wchar_t kPublisherKey[] = L"Software\\Kavrenco";
constexpr wchar_t kPathValue[] = L"Sarvelio 6 Path";
constexpr wchar_t kTestKey[] = L"Software\\Kavrenco\\Sarvelio 6 Test";
constexpr wchar_t kExtension[] = L".sarv";
constexpr wchar_t kProgId[] = L"Kavrenco.Sarvelio.6";
constexpr int kRegistered = -10;
constexpr int kRegistryFailure = 1;
constexpr int kBadArguments = 2;

std::vector<std::wstring> Arguments() {
    int count = 0;
    sv::UniqueLocal memory(reinterpret_cast<HLOCAL>(::CommandLineToArgvW(::GetCommandLineW(), &count)));
    const auto argv = reinterpret_cast<wchar_t**>(memory.get());
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

bool SameText(const std::wstring& a, const wchar_t* b) { return ::lstrcmpiW(a.c_str(), b) == 0; }

bool SetString(HKEY root, const std::wstring& subKey, const wchar_t* name, const std::wstring& value) {
    sv::UniqueHKey key;
    if (::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

int Register(const std::vector<std::wstring>& arguments) {
    for (const auto& argument : arguments) {
        if (argument.size() >= 8 && ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, argument.c_str(), 8,
                                                     L"/update=", 8) == CSTR_EQUAL) {
            const std::wstring version = argument.substr(8);
            if (version.size() != 16) return kBadArguments;
            for (const wchar_t c : version) {
                if (!std::iswxdigit(c)) return kBadArguments;
            }
        }
    }
    std::wstring received;
    for (const auto& argument : arguments) received += (received.empty() ? L"" : L" ") + argument;

    const std::wstring path = OwnPath();
    const std::wstring progId = kProgId;
    const bool ok = SetString(HKEY_LOCAL_MACHINE, kTestKey, L"LastArguments", received) &&
                    SetString(HKEY_LOCAL_MACHINE, kPublisherKey, kPathValue, path) &&
                    SetString(HKEY_CLASSES_ROOT, kExtension, nullptr, progId) &&
                    SetString(HKEY_CLASSES_ROOT, progId, nullptr, L"Sarvelio document") &&
                    SetString(HKEY_CLASSES_ROOT, progId + L"\\DefaultIcon", nullptr, path + L",0") &&
                    SetString(HKEY_CLASSES_ROOT, progId + L"\\shell\\open\\command", nullptr,
                              L"\"" + path + L"\" \"%1\"");
    return ok ? kRegistered : kRegistryFailure;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(window, &paint);
        RECT client;
        ::GetClientRect(window, &client);
        ::DrawTextW(dc, L"Sarvelio 6.04h\nStand-in program of the setup wizard's demo payload.", -1, &client,
                    DT_CENTER | DT_WORDBREAK);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

int ShowMainWindow(HINSTANCE instance, int show) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"SarvelioDemoWindow";
    if (!::RegisterClassW(&windowClass)) return 1;
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Sarvelio 6.04h", WS_OVERLAPPEDWINDOW,
                                          CW_USEDEFAULT, CW_USEDEFAULT, 420, 160, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ::ShowWindow(window, show);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    sv::CountProcessIn(kApplicationId);
    const std::vector<std::wstring> arguments = Arguments();
    bool registerFlag = false;
    bool background = false;
    for (const auto& argument : arguments) {
        registerFlag = registerFlag || SameText(argument, L"/Register");
        background = background || SameText(argument, L"/Background");
    }
    if (registerFlag && background) return Register(arguments);
    return ShowMainWindow(instance, show);
}
