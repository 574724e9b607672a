#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {
CWinApp* theApp = nullptr;
}

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
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (got == 0) exitCode_ = static_cast<int>(message.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance() { return exitCode_; }

CWinApp* AfxGetApp() { return theApp; }

int AfxMessageBox(const std::wstring& text, UINT type) {
    CWinApp* app = AfxGetApp();
    HWND owner = GetActiveWindow();
    if (owner == nullptr && app != nullptr) owner = app->MainWindow();
    if (owner != nullptr) owner = GetLastActivePopup(GetAncestor(owner, GA_ROOTOWNER));
    const wchar_t* caption = app != nullptr && !app->AppName().empty() ? app->AppName().c_str() : nullptr;
    return MessageBoxW(owner, text.c_str(), caption, type);
}

int RunApplication() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    if (app->InitInstance()) return app->Run();
    return app->ExitInstance();
}

}  // namespace sv::ui
