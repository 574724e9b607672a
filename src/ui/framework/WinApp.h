// The application object of our small dialog framework, its message boxes and message hooks.
//
// Exactly one object derived from CWinApp exists per process, constructed during static
// initialisation. The framework's entry point calls its InitInstance; when that answers true the
// message loop runs (Run), otherwise ExitInstance gives the exit code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace sv::ui {

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start hook. The base answers true.
    virtual bool InitInstance();
    // Message loop; answers the exit code posted with WM_QUIT.
    virtual int Run();
    // Called when InitInstance answered false or the loop ended; answers the exit code.
    virtual int ExitInstance();
    // Gives the message to the dialog it belongs to (keyboard navigation, default button,
    // Escape); answers true when the message was consumed and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& message);

    // Caption of the framework's message boxes.
    const std::wstring& AppName() const { return appName_; }
    void SetAppName(std::wstring name) { appName_ = std::move(name); }

    HWND MainWindow() const { return mainWindow_; }
    void SetMainWindow(HWND window) { mainWindow_ = window; }

    HINSTANCE Instance() const { return instance_; }

private:
    std::wstring appName_;
    HWND mainWindow_ = nullptr;
    HINSTANCE instance_ = nullptr;
    int exitCode_ = 0;
};

// The process's application object (null before it is constructed).
CWinApp* AfxGetApp();

// The framework's message box: owned by the last active pop-up of the active window's root owner
// (or of the application's main window), captioned with the application name.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);

// Every message box of the framework and the wizard goes through here. `caption` null: the
// system's default caption.
int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type);

// Tests route message boxes to a function of their own: it receives what the box would show and
// answers the button id the user would have pressed. An empty function restores the real boxes.
struct MessageBoxRequest {
    HWND owner;
    std::wstring text;
    std::wstring caption;  // empty for the system's default caption
    UINT type;
};
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);

// The system's text for an error code or HRESULT (FormatMessage), without its line end; empty
// when the system has none.
std::wstring SystemMessageText(DWORD code);

// An exception that reached a window procedure or the start hook, where it must stop: the user is
// told with the system's text for E_UNEXPECTED (E_FAIL's when it has none) in the framework's
// message box. Never raises.
void ReportUnexpectedException() noexcept;

// Runs the application object: the body of the program's entry point. An exception out of the
// start hook or the message loop is reported (ReportUnexpectedException) and ends the run as
// ExitInstance would.
int RunApplication();

}  // namespace sv::ui
