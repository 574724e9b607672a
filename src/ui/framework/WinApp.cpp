#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {
CWinApp* theApp = nullptr;

MessageBoxHook& BoxHook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

CWinApp::CWinApp() : instance_(GetModuleHandleW(nullptr)) { theApp = this; }

CWinApp::~CWinApp() {
    if (theApp == this) theApp = nullptr;
}

bool CWinApp::InitInstance() { return true; }

int CWinApp::Run() {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        if (PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (got == 0) exitCode_ = static_cast<int>(message.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance() { return exitCode_; }

bool CWinApp::PreTranslateMessage(MSG& message) {
    if (message.hwnd == nullptr) return false;
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    wchar_t className[16] = {};
    if (root == nullptr || GetClassNameW(root, className, 16) == 0 || lstrcmpW(className, L"#32770") != 0) return false;
    return IsDialogMessageW(root, &message) != FALSE;
}

CWinApp* AfxGetApp() { return theApp; }

void SetMessageBoxHook(MessageBoxHook hook) { BoxHook() = std::move(hook); }

int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) {
    if (const MessageBoxHook& hook = BoxHook()) return hook({owner, text, caption != nullptr ? caption : L"", type});
    return MessageBoxW(owner, text.c_str(), caption, type);
}

int AfxMessageBox(const std::wstring& text, UINT type) {
    CWinApp* app = AfxGetApp();
    HWND owner = GetActiveWindow();
    if (owner == nullptr && app != nullptr) owner = app->MainWindow();
    if (owner != nullptr) owner = GetLastActivePopup(GetAncestor(owner, GA_ROOTOWNER));
    const wchar_t* caption = app != nullptr && !app->AppName().empty() ? app->AppName().c_str() : nullptr;
    return ShowMessageBox(owner, text, caption, type);
}

std::wstring SystemMessageText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring result = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n')) result.pop_back();
    return result;
}

void ReportUnexpectedException() noexcept {
    try {
        // As the installer's error boxes do: the text of E_FAIL when the system has none for
        // E_UNEXPECTED (Wine has none), and a word when it has neither.
        std::wstring text = SystemMessageText(static_cast<DWORD>(E_UNEXPECTED));
        if (text.empty()) text = SystemMessageText(static_cast<DWORD>(E_FAIL));
        if (text.empty()) text = L"Error";
        AfxMessageBox(text, MB_OK | MB_ICONERROR);
    } catch (...) {
        // nothing more can be told
    }
}

int RunApplication() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    try {
        if (app->InitInstance()) return app->Run();
    } catch (...) {
        ReportUnexpectedException();
    }
    try {
        return app->ExitInstance();
    } catch (...) {
        return -1;
    }
}

}  // namespace sv::ui
