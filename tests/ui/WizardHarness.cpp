#include "WizardHarness.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <map>

#include "app/Localisation.h"
#include "app/ProductIdentity.h"

namespace sv::test {
namespace {

// The tests' application object: message-box caption and main window, as in the installer.
ui::CWinApp testApplication;

std::map<UINT_PTR, std::function<bool()>>& Pending() {
    static std::map<UINT_PTR, std::function<bool()>> pending;
    return pending;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = Pending().find(id);
    if (found == Pending().end()) {
        KillTimer(nullptr, id);
        return;
    }
    KillTimer(nullptr, id);
    std::function<bool()> action = std::move(found->second);
    Pending().erase(found);
    if (!action()) RunWhen(std::move(action));
}

class CommonControls : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0xC0FF};
        InitCommonControlsEx(&controls);
    }
};
const auto* const commonControls = ::testing::AddGlobalTestEnvironment(new CommonControls);

}  // namespace

MessageBoxRecorder::MessageBoxRecorder(std::vector<int> answers) : answers_(std::move(answers)) {
    ui::SetMessageBoxHook([this](const ui::MessageBoxRequest& request) {
        boxes_.push_back(request);
        if (answers_.empty()) return IDOK;
        const int answer = answers_.front();
        if (answers_.size() > 1) answers_.erase(answers_.begin());
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { ui::SetMessageBoxHook({}); }

void RunWhen(std::function<bool()> action) {
    const UINT_PTR id = SetTimer(nullptr, 0, 10, OnTimer);
    Pending()[id] = std::move(action);
}

void RunLater(std::function<void()> action) {
    RunWhen([action = std::move(action)] {
        action();
        return true;
    });
}

INT_PTR RunWizard(ui::CInstallDlg& frame, const std::function<void(ui::CInstallDlg&)>& script) {
    // The dialog manager shows the frame once its queue first runs empty: wait for that.
    RunWhen([&frame, &script] {
        if (frame.Hwnd() == nullptr || !IsWindowVisible(frame.Hwnd())) return false;
        SetForegroundWindow(frame.Hwnd());
        script(frame);
        // Let what the script posted (a close box's command) arrive.
        MSG message;
        while (frame.Hwnd() != nullptr && PeekMessageW(&message, frame.Hwnd(), 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(frame.Hwnd(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        // A frame that ended its modal run is hidden until the loop returns.
        if (frame.Hwnd() != nullptr && IsWindowVisible(frame.Hwnd())) EndDialog(frame.Hwnd(), kLeftOpen);
        return true;
    });
    const INT_PTR result = frame.DoModal();
    EXPECT_NE(result, -1) << "the frame could not be created (no display? run under xvfb-run)";
    return result;
}

HWND FindOwnedDialog(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            if (window == s.owner || !IsWindowVisible(window) || lstrcmpW(className, L"#32770") != 0 ||
                GetWindow(window, GW_OWNER) != s.owner)
                return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND button) {
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(IsWindowEnabled(button)) << "button is disabled: " << Narrow(Text(button));
    ASSERT_TRUE(IsWindowVisible(button)) << "button is hidden: " << Narrow(Text(button));
    SendMessageW(button, BM_CLICK, 0, 0);
}

void Click(const ui::CDialog& dialog, int id) { Click(dialog.Item(id)); }

std::wstring Text(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring Text(const ui::CDialog& dialog, int id) { return Text(dialog.Item(id)); }

bool Enabled(const ui::CDialog& dialog, int id) { return IsWindowEnabled(dialog.Item(id)) != FALSE; }

void SelectListEntry(const ui::CDialog& page, int listId, int position) {
    HWND list = page.Item(listId);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    SendMessageW(page.Hwnd(), WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void MakeFresh(InstallerState& state) {
    SetLanguage(kEnglish);
    state.installMode = InstallMode::FreshInstall;
    wchar_t programFiles[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    state.installFolder = AppendPath(AppendPath(programFiles, L"Kavrenco"), ProductFolderName());
    wchar_t programs[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    state.startMenuFolder = AppendPath(AppendPath(programs, L"Kavrenco"), ProductFolderName());
    state.createMenuShortcut = true;
    state.createDesktopShortcut = true;
    state.customInstallation = false;
    state.installSucceeded = false;
    if (ui::CWinApp* app = ui::AfxGetApp()) app->SetAppName(InstallerState::ApplicationTitle());
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

}  // namespace sv::test
