// The installer program itself under Wine: start-up steps that end in a message box, driven from
// outside by finding the installer's boxes, reading them and pressing their buttons.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestSupport.h"
#include "app/InstallerState.h"
#include "app/InstanceCounter.h"
#include "app/InstanceMutex.h"
#include "app/ProductIdentity.h"
#include "platform/UniqueHandle.h"

namespace sv {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr auto kPatience = std::chrono::seconds(60);

std::wstring InstallerPath() {
    const std::wstring relative = test::TestFolder() + L"\\..\\..\\bin\\InstallSarvelio6.04h.exe";
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(relative.c_str(), MAX_PATH, full, nullptr);
    return full;
}

struct Installer {
    UniqueHandle process;
    DWORD id = 0;

    Installer() {
        STARTUPINFOW startup = {sizeof startup};
        PROCESS_INFORMATION info = {};
        std::wstring command = L"\"" + InstallerPath() + L"\"";
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            throw std::runtime_error("the installer did not start");
        CloseHandle(info.hThread);
        process.reset(info.hProcess);
        id = info.dwProcessId;
    }
    ~Installer() {
        if (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process.get(), 99);
    }
    bool Ended(DWORD milliseconds = 0) const { return WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        return code;
    }
};

struct Search {
    DWORD process;
    bool messageBox;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (owner == search->process && IsWindowVisible(window) && std::wstring(className) == L"#32770") {
        const bool isMessageBox = GetDlgItem(window, kMessageBoxTextId) != nullptr;
        if (isMessageBox == search->messageBox) {
            search->found = window;
            return FALSE;
        }
    }
    return TRUE;
}

HWND FindDialog(const Installer& installer, bool messageBox) {
    Search search{installer.id, messageBox, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits for a message box of the installer (null when the installer ended first or time ran out).
HWND WaitForMessageBox(const Installer& installer, HWND previous = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        HWND box = FindDialog(installer, true);
        if (box != nullptr && box != previous) return box;
        if (installer.Ended(50)) return nullptr;
    }
    return nullptr;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

void Press(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (IsWindow(box) && std::chrono::steady_clock::now() < deadline) Sleep(20);
}

// Start-up went past its checks: the installer either ended by itself or shows its wizard.
bool WentOnWithStartUp(Installer& installer) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        if (installer.Ended(50)) return installer.ExitCode() == 0;
        if (FindDialog(installer, true) != nullptr) return false;
        if (FindDialog(installer, false) != nullptr) return true;
    }
    return false;
}

TEST(InstallerStartUp, SecondInstallerShowsErrorBusyAndEnds) {
    test::RegistrySandbox sandbox;
    // This process plays the first installer: it holds the instance mutex.
    InstanceMutex first(InstanceMutexName(L"Sarvelio6"), false, true);
    ASSERT_TRUE(first.TryAcquire());

    Installer second;
    HWND box = WaitForMessageBox(second);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(WindowText(GetDlgItem(box, kMessageBoxTextId)), InstallerState::ErrorCodeText(ERROR_BUSY));
    EXPECT_EQ(WindowText(box), L"Install 2.04a");  // the shared box is captioned with the program's own title
    Press(box, IDOK);
    ASSERT_TRUE(second.Ended(60000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(first.owned());  // the first installer's state is untouched
}

TEST(InstallerStartUp, WaitsWhileTheProductRunsRetryCountsAgain) {
    test::RegistrySandbox sandbox;
    // This process plays the running product: counted in under the same application id.
    auto product = std::make_unique<InstanceCounter>(L"Sarvelio6");
    ASSERT_TRUE(product->CountIn());

    Installer installer;
    HWND box = WaitForMessageBox(installer);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(box, kMessageBoxTextId)),
              L"You should close 'Sarvelix' before continuing Installation.");
    EXPECT_EQ(WindowText(box), L"Installer \u2013 Sarvelix 6.04h");
    EXPECT_NE(GetDlgItem(box, IDRETRY), nullptr);
    EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr);

    Press(box, IDRETRY);  // the product still runs: asked again
    HWND again = WaitForMessageBox(installer);
    ASSERT_NE(again, nullptr);

    product.reset();  // the product ends
    Press(again, IDRETRY);
    EXPECT_TRUE(WentOnWithStartUp(installer));
}

TEST(InstallerStartUp, CancelWhileTheProductRunsEndsStartUp) {
    test::RegistrySandbox sandbox;
    InstanceCounter product(L"Sarvelio6");
    ASSERT_TRUE(product.CountIn());
    Installer installer;
    HWND box = WaitForMessageBox(installer);
    ASSERT_NE(box, nullptr);
    Press(box, IDCANCEL);
    ASSERT_TRUE(installer.Ended(60000));
    EXPECT_EQ(installer.ExitCode(), 0u);
}

}  // namespace
}  // namespace sv
