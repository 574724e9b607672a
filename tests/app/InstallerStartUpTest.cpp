// The installer program itself under Wine: start-up steps that end in a message box, driven from
// outside by finding the installer's boxes, reading them and pressing their buttons.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

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

    // The built installer, or a program elsewhere (a copy of it).
    explicit Installer(const std::wstring& path = InstallerPath()) {
        STARTUPINFOW startup = {sizeof startup};
        PROCESS_INFORMATION info = {};
        std::wstring command = L"\"" + path + L"\"";
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            throw std::runtime_error("the program did not start");
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

// Planted libraries. A standard user can drop DLLs into the folder the installer is started from
// (typically Downloads); Windows takes a library that is not a KnownDLL from the program's own
// folder first, and static imports are loaded before any code of the installer runs. Under Wine
// the load order "native, then builtin" for version.dll and bcrypt.dll (WINEDLLOVERRIDES=
// "version,bcrypt=n,b") makes the loader behave that way. Wine takes that variable from the Unix
// environment of the Wine process, not from the environment block a Windows program passes to
// CreateProcessW, so the test gives the same load order through Wine's per-program setting
// (HKCU\Software\Wine\AppDefaults\<program>\DllOverrides) for the two programs it starts.
//
// Limited by Wine: Wine's own user32 imports version.dll, so under this load order the planted
// version.dll is loaded into every program with windows, the installer included, whatever the
// installer imports, and Wine's libraries call its functions themselves. What shows the
// installer's own doing is whether a planted version function was called from the installer's
// module (each call leaves a marker naming its caller); bcrypt.dll is imported by nothing Wine
// loads at start-up, so for it the load itself is the mark.
constexpr const wchar_t* kPlantedLibraries[] = {L"version.dll", L"bcrypt.dll"};
constexpr const wchar_t* kPlantingPrograms[] = {L"version_importer.exe", L"InstallSarvelio6.04h.exe"};
constexpr const wchar_t* kVersionFunctions[] = {L"GetFileVersionInfoSizeW", L"GetFileVersionInfoW", L"VerQueryValueW"};

class PlantedLibraries : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        const fs::path planted = fs::path(test::TestFolder()) / L"planted";
        for (const wchar_t* dll : kPlantedLibraries) fs::copy_file(planted / dll, Beside(dll));
        fs::copy_file(planted / L"version_importer.exe", Beside(L"version_importer.exe"));
        fs::copy_file(InstallerPath(), Beside(L"InstallSarvelio6.04h.exe"));
        for (const wchar_t* program : kPlantingPrograms)
            for (const wchar_t* dll : {L"version", L"bcrypt"})
                test::SetString(HKEY_CURRENT_USER, AppDefaults(program), dll, L"native,builtin");
    }
    void TearDown() override {
        for (const wchar_t* program : kPlantingPrograms)
            RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + std::wstring(program)).c_str());
    }
    static std::wstring AppDefaults(const std::wstring& program) {
        return L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
    }

    std::wstring Beside(const std::wstring& name) const { return folder_.path() + L"\\" + name; }
    bool Marked(const std::wstring& dll, const std::wstring& suffix) const {
        return std::filesystem::exists(std::filesystem::path(Beside(dll + suffix)));
    }
    // The markers are named "<dll>.dll.<what happened>".
    void ClearMarks() const {
        std::vector<std::filesystem::path> marks;
        for (const auto& item : std::filesystem::directory_iterator(std::filesystem::path(folder_.path())))
            if (item.path().filename().wstring().find(L".dll.") != std::wstring::npos) marks.push_back(item.path());
        for (const auto& mark : marks) std::filesystem::remove(mark);
    }

    test::RegistrySandbox sandbox_;
    test::TempFolder folder_;
};

TEST_F(PlantedLibraries, NeitherIsTakenByTheInstaller) {
    // The planting works here: a program importing the version functions calls the planted ones.
    {
        Installer importer(Beside(L"version_importer.exe"));
        ASSERT_TRUE(importer.Ended(60000));
        ASSERT_TRUE(Marked(L"version.dll", L".GetFileVersionInfoSizeW.from.version_importer.exe"))
            << "the planted version.dll was not used: this Wine does not honour the load order";
    }
    ClearMarks();

    // The installer copy beside them runs its start-up to its first window (the wizard, or a box).
    Installer installer(Beside(L"InstallSarvelio6.04h.exe"));
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    bool shown = false;
    while (!shown && !installer.Ended(50) && std::chrono::steady_clock::now() < deadline)
        shown = FindDialog(installer, true) != nullptr || FindDialog(installer, false) != nullptr;
    ASSERT_TRUE(shown) << "the installer showed no window (exit code " << installer.ExitCode() << ")";
    TerminateProcess(installer.process.get(), 0);
    WaitForSingleObject(installer.process.get(), 60000);

    EXPECT_FALSE(Marked(L"bcrypt.dll", L".loaded")) << "the planted bcrypt.dll was loaded";
    for (const wchar_t* function : kVersionFunctions)
        EXPECT_FALSE(Marked(L"version.dll", std::wstring(L".") + function + L".from.InstallSarvelio6.04h.exe"))
            << "the installer called the planted " << test::Narrow(function);
}

}  // namespace
}  // namespace sv
