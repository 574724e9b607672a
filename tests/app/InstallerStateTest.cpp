#include <gtest/gtest.h>

#include <shlobj.h>

#include <filesystem>

#include "TestSupport.h"
#include "app/InstallerState.h"
#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "ulog/UlogWriter.h"

namespace sv {
namespace {

using test::Fixture;

TEST(InstallModeDetection, FromRegisteredPrograms) {
    test::RegistrySandbox sandbox;
    struct Case {
        const wchar_t* fixture;
        InstallMode mode;
        std::uint64_t updateFrom;
        const wchar_t* title;
    };
    const Case cases[] = {
        {L"v6482", InstallMode::SameVersion, 0, L""},
        {L"v6483", InstallMode::NewerInstalled, 0, L"Sarvelix 6.04i"},
        {L"v6500", InstallMode::NewerInstalled, 0, L"Sarvelix 6.05"},
        {L"v6490", InstallMode::NewerInstalled, 0, L"Sarvelix 6.04j"},  // last part smaller, still newer
        {L"v6481", InstallMode::Update, 0x0006000400080001ull, L"Sarvelix 6.04g"},
        {L"v5999", InstallMode::Update, 0x0005000900090009ull, L"Sarvelix 5.99"},
        {L"nofixed", InstallMode::SameVersion, 0, L""},
        {L"nores", InstallMode::SameVersion, 0, L""},  // no version information at all
    };
    SetLanguage(kEnglish);
    for (const auto& c : cases) {
        test::RegisterInstalledProgram(Fixture(c.fixture));
        const std::wstring found = LookUpInstalledProgram();
        ASSERT_EQ(found, Fixture(c.fixture));
        InstallerState state;
        state.DetectInstallModeFrom(found);
        std::wstring title = L"unset";
        EXPECT_EQ(state.GetInstallMode(&title), c.mode) << test::Narrow(c.fixture);
        EXPECT_EQ(state.updateFromVersion, c.updateFrom) << test::Narrow(c.fixture);
        EXPECT_EQ(state.installedTitle, c.title) << test::Narrow(c.fixture);
        const bool titled = c.mode == InstallMode::Update || c.mode == InstallMode::NewerInstalled;
        EXPECT_EQ(title, titled ? std::wstring(c.title) : L"unset");
    }
}

TEST(InstallModeDetection, RegisteredFileMissingOrNothingRegisteredIsFresh) {
    test::RegistrySandbox sandbox;
    InstallerState state;
    EXPECT_EQ(LookUpInstalledProgram(), L"");
    test::RegisterInstalledProgram(test::TestFolder() + L"\\gone\\Sarvelio.exe");
    EXPECT_EQ(LookUpInstalledProgram(), L"");
    state.DetectInstallModeFrom(LookUpInstalledProgram());
    EXPECT_EQ(state.installMode, InstallMode::FreshInstall);
    // A value of another type is not a path.
    test::SetDword(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco", L"Sarvelio 6 Path", 1);
    EXPECT_EQ(LookUpInstalledProgram(), L"");
}

TEST(InstallModeDetection, StartUpStepUsesTheRegisteredProgramOnce) {
    test::RegistrySandbox sandbox;
    test::RegisterInstalledProgram(Fixture(L"v6481"));
    SetLanguage(kFrench);
    InstallerState state;
    state.DetectInstallMode();
    EXPECT_EQ(state.installMode, InstallMode::Update);
    EXPECT_EQ(state.updateFromVersion, 0x0006000400080001ull);
    EXPECT_EQ(state.installedTitle, L"Sarvelio 6.04g");
    // The lookup is made once per process.
    test::RegisterInstalledProgram(Fixture(L"v6500"));
    EXPECT_EQ(FindInstalledProgram(), Fixture(L"v6481"));
}

TEST(LanguageSettlement, StoredLanguageFromThePreviousInstallation) {
    // The user language here is English (LC_ALL=C.UTF-8).
    struct Case {
        DWORD type;
        DWORD stored;
        LanguageIndex expected;
    };
    const Case cases[] = {
        {REG_DWORD, 2, kGerman},      {REG_DWORD, 0, kFrench},    {REG_DWORD, 6, kEnglish},  // Danish: ignored
        {REG_DWORD, 15, kEnglish},    // Polish: a product language the installer is not translated into
        {REG_DWORD, 99, kEnglish},    {REG_BINARY, 11, kItalian}, // the type is not looked at
        {REG_DWORD, 20, kEnglish},
    };
    for (const auto& c : cases) {
        test::RegistrySandbox sandbox;
        test::SetValue(HKEY_LOCAL_MACHINE, UninstallKeyPath(), L"KvLanguage", c.type, &c.stored, sizeof c.stored);
        InstallerState state;
        state.SettleLanguage();
        EXPECT_EQ(CurrentLanguage(), c.expected) << c.stored;
    }
    test::RegistrySandbox sandbox;
    const WORD shortValue = 2;  // not a 4-byte number
    test::SetValue(HKEY_LOCAL_MACHINE, UninstallKeyPath(), L"KvLanguage", REG_BINARY, &shortValue, sizeof shortValue);
    InstallerState state;
    state.SettleLanguage();
    EXPECT_EQ(CurrentLanguage(), kEnglish);
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)));
    return path;
}

TEST(DefaultFolders, ProgramFilesAndStartMenuInTheLanguageOfTheMoment) {
    SetLanguage(kEnglish);
    InstallerState english;
    english.ApplyDefaultFolders();
    EXPECT_EQ(english.installFolder, ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Kavrenco\\Sarvelix 6");
    // On a 64-bit system the shipped 32-bit build proposes "Program Files (x86)".
    EXPECT_EQ(english.installFolder, std::wstring(test::kProgramFilesOfThisBuild) + L"\\Kavrenco\\Sarvelix 6");
    EXPECT_EQ(english.startMenuFolder, ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Kavrenco\\Sarvelix 6");

    SetLanguage(kFrench);
    InstallerState french;
    french.ApplyDefaultFolders();
    EXPECT_EQ(french.installFolder, ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Kavrenco\\Sarvelio 6");

    InstallerState fromLog;
    fromLog.installFolder = L"D:\\Apps\\Sarvelio";
    fromLog.startMenuFolder = L"C:\\Menu";
    fromLog.ApplyDefaultFolders();
    EXPECT_EQ(fromLog.installFolder, L"D:\\Apps\\Sarvelio");
    EXPECT_EQ(fromLog.startMenuFolder, L"C:\\Menu");

    fromLog.ApplyDefaultOptions();
    EXPECT_TRUE(fromLog.createMenuShortcut);
    EXPECT_TRUE(fromLog.createDesktopShortcut);
    EXPECT_FALSE(fromLog.customInstallation);
}

TEST(PreviousLog, CandidatesInOrder) {
    test::RegistrySandbox sandbox;
    test::TempFolder uninstallFolder;
    test::TempFolder programFolder;
    const std::wstring uninstaller = uninstallFolder.File(L"Uninstall.exe");
    const std::wstring logA = uninstallFolder.File(L"Uninstall.ulog");
    const std::wstring program = programFolder.File(L"Sarvelio.exe");
    const std::wstring logC = programFolder.File(L"Uninstall.ulog");
    const std::wstring logB = test::TestFolder() + L"\\Uninstall.ulog";
    std::filesystem::remove(std::filesystem::path(logB));
    test::SetString(HKEY_LOCAL_MACHINE, UninstallKeyPath(), L"UninstallString", uninstaller);
    test::RegisterInstalledProgram(program);

    InstallerState state;
    EXPECT_EQ(state.FindPreviousLog(), logA);
    std::filesystem::remove(std::filesystem::path(logA));
    EXPECT_EQ(state.FindPreviousLog(), logC);
    {
        // A log beside the installer (here: beside this test program) is anyone's: never taken,
        // neither before the program's folder nor as the last resort.
        std::filesystem::copy_file(std::filesystem::path(logC), std::filesystem::path(logB));
        EXPECT_EQ(state.FindPreviousLog(), logC);
        std::filesystem::remove(std::filesystem::path(logC));
        EXPECT_EQ(state.FindPreviousLog(), L"");
        std::filesystem::remove(std::filesystem::path(logB));
        programFolder.File(L"Uninstall.ulog");
    }
    // The UninstallString as this version writes it, in quotes, and as earlier ones did, bare.
    for (const std::wstring& value : {L"\"" + uninstaller + L"\"", uninstaller}) {
        test::SetString(HKEY_LOCAL_MACHINE, UninstallKeyPath(), L"UninstallString", value);
        uninstallFolder.File(L"Uninstall.ulog");
        EXPECT_EQ(state.FindPreviousLog(), logA) << test::Narrow(value);
        std::filesystem::remove(std::filesystem::path(logA));
        EXPECT_EQ(state.FindPreviousLog(), logC) << test::Narrow(value);
    }
    std::filesystem::remove(std::filesystem::path(logC));
    EXPECT_EQ(state.FindPreviousLog(), L"");
}

TEST(PreviousLog, UnquotedPathTakesOffOnlyOnePairOfSurroundingQuotes) {
    EXPECT_EQ(UnquotedPath(L"\"C:\\P Q\\Uninstall.exe\""), L"C:\\P Q\\Uninstall.exe");
    EXPECT_EQ(UnquotedPath(L"C:\\P Q\\Uninstall.exe"), L"C:\\P Q\\Uninstall.exe");
    EXPECT_EQ(UnquotedPath(L"\"C:\\P\\Uninstall.exe"), L"\"C:\\P\\Uninstall.exe");  // unbalanced: as it stands
    EXPECT_EQ(UnquotedPath(L"\"\""), L"");
    EXPECT_EQ(UnquotedPath(L"\""), L"\"");
}

TEST(PreviousLog, ReinstallationAndUpdateTakeTheFoldersOfThePreviousLog) {
    test::RegistrySandbox sandbox;
    test::TempFolder previous;
    const std::wstring installFolder = previous.path() + L"\\Apps\\Sarvelio";
    const std::wstring menuFolder = previous.path() + L"\\Menu\\Sarvelio";
    std::filesystem::create_directories(std::filesystem::path(installFolder));
    std::filesystem::create_directories(std::filesystem::path(menuFolder));
    const std::string file = FormatUlogFile(
        UlogHeader{L"Sarvelio 6.04g", L"", installFolder, menuFolder, L"Sarvelio 6"}, LogEntryList{});
    previous.File(L"Uninstall.ulog", file);
    test::SetString(HKEY_LOCAL_MACHINE, UninstallKeyPath(), L"UninstallString", previous.path() + L"\\Uninstall.exe");

    SetLanguage(kEnglish);
    InstallerState defaults;
    defaults.ApplyDefaultFolders();
    struct Case {
        InstallMode mode;
        bool fromLog;
    };
    const Case cases[] = {{InstallMode::SameVersion, true},
                          {InstallMode::Update, true},
                          {InstallMode::NewerInstalled, false},  // never reads its log
                          {InstallMode::FreshInstall, false}};
    for (const auto& c : cases) {
        InstallerState state;
        state.installMode = c.mode;
        state.ReadPreviousLog();
        state.ApplyDefaultFolders();
        EXPECT_EQ(state.installFolder, c.fromLog ? installFolder : defaults.installFolder) << static_cast<int>(c.mode);
        EXPECT_EQ(state.startMenuFolder, c.fromLog ? menuFolder : defaults.startMenuFolder) << static_cast<int>(c.mode);
    }

    // A log whose installation folder no longer exists: the default installation folder.
    std::filesystem::remove_all(std::filesystem::path(installFolder));
    InstallerState state;
    state.installMode = InstallMode::Update;
    state.ReadPreviousLog();
    state.ApplyDefaultFolders();
    EXPECT_EQ(state.installFolder, defaults.installFolder);
    EXPECT_EQ(state.startMenuFolder, menuFolder);
}

TEST(ErrorText, SystemTextWithFallbacks) {
    const std::wstring busy = InstallerState::ErrorCodeText(ERROR_BUSY);
    EXPECT_FALSE(busy.empty());
    EXPECT_NE(busy.back(), L'\n');
    EXPECT_NE(busy.back(), L'\r');
    // A code without text gets the text of E_FAIL.
    EXPECT_EQ(InstallerState::ErrorCodeText(0x2BADF00D), InstallerState::ErrorCodeText(E_FAIL));
}

}  // namespace
}  // namespace sv
