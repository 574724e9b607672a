// Installation runs driven through the install sequence on a window with the install page's
// controls, with payloads built by the test, under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../app/TestSupport.h"
#include "InstallTestSupport.h"
#include "app/Localisation.h"
#include "install/InstallSequence.h"
#include "payload/CompressCategory.h"
#include "payload/PayloadBuilder.h"

namespace sv {
namespace {

namespace fs = std::filesystem;
using test::PageWindow;
using test::ReadAll;
using test::ShellFolder;

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(GetDlgItem(page_.get(), kIdcInstallLog), nullptr);
        ASSERT_NE(GetDlgItem(page_.get(), kIdcInstallProgress), nullptr);
        Clean();
        SetLanguage(kEnglish);
        root_ = fs::path(sandbox_.path());
        state_.installFolder = (root_ / "Program Files" / "Kavrenco" / "Sarvelix 6").wstring();
        state_.startMenuFolder = (root_ / "Menu" / "Kavrenco" / "Sarvelix 6").wstring();
        state_.createMenuShortcut = true;
        state_.createDesktopShortcut = false;
        probe_ = ReadAll(fs::path(test::TestFolder()) / "registration_probe.exe");
        ASSERT_FALSE(probe_.empty());
        SetEnvironmentVariableW(L"SV_PROBE_EXIT", nullptr);
    }
    void TearDown() override { Clean(); }

    static void Clean() {
        std::error_code ignored;
        fs::remove_all(fs::path(ShellFolder(CSIDL_COMMON_APPDATA)) / "Kavrenco" / "SvTest", ignored);
        fs::remove_all(fs::path(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)) / "Sarvelix Examples", ignored);
        fs::remove(fs::path(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)) / "Sarvelix 6.04h.lnk", ignored);
        test::RegistrySandbox::Clean();
    }

    std::string DemoPayload() const {
        std::vector<ArchiveEntry> entries;
        entries.push_back(EntryFromBytes(L"Sarvelio.exe", L"<InstallPath>", 1, probe_));
        entries.push_back(EntryFromBytes(L"Uninstall.exe", L"<InstallPath>", 2, "uninstaller"));
        entries.push_back(EntryFromBytes(L"fr.dll", L"<InstallPath>\\Lang", 0, "french texts"));
        entries.push_back(EntryFromBytes(L"Settings.dat", L"<CommonData>\\Kavrenco\\SvTest", 3, "shared"));
        entries.push_back(EntryFromBytes(L"Sample1.sv", L"<SamplePath>", 4, "sample"));
        entries.push_back(EntryFromBytes(L"setup.tmp", L"<Temporary>", 5, "temporary"));
        std::ostringstream out;
        WritePayload(out, entries);
        return out.str();
    }

    bool Run(const std::string& payload) {
        std::istringstream stream(payload);
        InstallSequence sequence(page_.get(), state_);
        sequence.SetPayloadStream(&stream);
        const bool result = sequence.DoInstall();
        mainExe_ = sequence.MainExePath();
        uninstaller_ = sequence.UninstallerPath();
        return result;
    }

    std::wstring Registered(const wchar_t* name) const {
        wchar_t value[512] = {};
        DWORD size = sizeof value;
        RegGetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
        return value;
    }

    test::TempFolder sandbox_;
    fs::path root_;
    InstallerState state_;
    PageWindow page_;
    std::string probe_;
    std::wstring mainExe_, uninstaller_;
};

TEST_F(InstallRun, FreshInstallationIntoAFolderWithSpaces) {
    ASSERT_TRUE(Run(DemoPayload()));
    const fs::path install(state_.installFolder);
    EXPECT_EQ(mainExe_, (install / "Sarvelio.exe").wstring());
    EXPECT_EQ(uninstaller_, (install / "Uninstall.exe").wstring());
    EXPECT_EQ(ReadAll(install / "Lang" / "fr.dll"), "french texts");
    EXPECT_EQ(ReadAll(fs::path(ShellFolder(CSIDL_COMMON_APPDATA)) / "Kavrenco" / "SvTest" / "Settings.dat"), "shared");
    EXPECT_EQ(ReadAll(fs::path(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)) / "Sarvelix Examples" / "Sample1.sv"), "sample");
    EXPECT_NE(GetFileAttributesW(mainExe_.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(GetFileAttributesW(uninstaller_.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(fs::exists(fs::path(state_.tempFolder)));  // temporary file and folder swept

    // The registration run: quoted path, no update part, the program's folder as current folder.
    std::istringstream registration(ReadAll(install / "registration.txt"));
    std::string commandLine, directory;
    std::getline(registration, commandLine);
    std::getline(registration, directory);
    EXPECT_EQ(commandLine, "\"" + test::Narrow(mainExe_) + "\" /Register /Background");
    EXPECT_EQ(directory, test::Narrow(state_.installFolder));

    EXPECT_EQ(Registered(L"DisplayName"), L"Sarvelix 6.04h");
    EXPECT_EQ(Registered(L"UninstallString"), L"\"" + uninstaller_ + L"\"");  // quoted, as the program list expects
    EXPECT_EQ(Registered(L"DisplayIcon"), mainExe_ + L",0");
    EXPECT_EQ(Registered(L"DisplayVersion"), L"6.4.8.2");
    EXPECT_EQ(Registered(L"Publisher"), L"Kavrenco");
    DWORD language = 99, size = sizeof language;
    RegGetValueW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), L"KvLanguage", RRF_RT_REG_DWORD, nullptr, &language,
                 &size);
    EXPECT_EQ(language, 1u);

    const fs::path menu(state_.startMenuFolder);
    EXPECT_TRUE(fs::exists(menu / "Sarvelix 6.04h.lnk"));
    EXPECT_TRUE(fs::exists(menu / "Uninstall Sarvelix.lnk"));
    const std::string log = ReadAll(install / "Uninstall.ulog");
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.substr(0, 2), "\xFF\xFE");

    const std::wstring text = page_.Text(kIdcInstallLog);
    EXPECT_EQ(text.find(L"-----"), 0u);  // the run's separator line
    const std::wstring expectedLines[] = {
        L"\r\nPreparing Installation...OK\r\n",
        L"Copying File  \"" + mainExe_ + L"\"...OK\r\n",
        L"Shortcuts Creation...OK\r\n",
        L"Registry Data Writing...OK\r\n",
        L"Installation Data Writing...OK\r\n",
    };
    for (const std::wstring& line : expectedLines)
        EXPECT_NE(text.find(line), std::wstring::npos) << test::Narrow(line);
    EXPECT_NE(text.find(L"\\setup.tmp...OK\r\n"), std::wstring::npos);  // shown, though not journalled
    EXPECT_EQ(page_.Text(kIdcStatus), L"Click on 'Next' to continue.");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page_.get(), kIdcInstallProgress)) ||
                (GetWindowLongW(GetDlgItem(page_.get(), kIdcInstallProgress), GWL_STYLE) & WS_VISIBLE) != 0);
    EXPECT_EQ(SendDlgItemMessageW(page_.get(), kIdcInstallProgress, PBM_GETPOS, 0, 0), 100);
}

TEST_F(InstallRun, UpdatePassesTheOldVersionAndSkipsSamples) {
    state_.installMode = InstallMode::Update;
    state_.updateFromVersion = 0x0006000400070001ull;
    state_.createMenuShortcut = false;
    ASSERT_TRUE(Run(DemoPayload()));
    std::string commandLine;
    std::istringstream registration(ReadAll(fs::path(state_.installFolder) / "registration.txt"));
    std::getline(registration, commandLine);
    EXPECT_EQ(commandLine.substr(commandLine.size() - 25), " /update=0006000400070001");
    EXPECT_FALSE(fs::exists(fs::path(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)) / "Sarvelix Examples" / "Sample1.sv"));
    EXPECT_EQ(page_.Text(kIdcInstallLog).find(L"Shortcuts Creation"), std::wstring::npos);  // no shortcut asked for
}

TEST_F(InstallRun, RegistrationExitingZeroFailsItsLineOnly) {
    SetEnvironmentVariableW(L"SV_PROBE_EXIT", L"0");
    EXPECT_TRUE(Run(DemoPayload()));
    const std::wstring text = page_.Text(kIdcInstallLog);
    EXPECT_NE(text.find(L"Registry Data Writing...Failed\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Installation Data Writing...OK\r\n"), std::wstring::npos);
    EXPECT_EQ(Registered(L"DisplayName"), L"Sarvelix 6.04h");
}

TEST_F(InstallRun, FailedExtractionRollsEverythingBack) {
    // The language folder cannot be created: a file stands where it should go.
    fs::create_directories(fs::path(state_.installFolder));
    std::ofstream(fs::path(state_.installFolder) / "Lang") << "in the way";
    const bool installed = Run(DemoPayload());
    EXPECT_FALSE(installed);
    EXPECT_FALSE(fs::exists(fs::path(state_.installFolder) / "Sarvelio.exe"));
    EXPECT_FALSE(fs::exists(fs::path(state_.installFolder) / "Uninstall.exe"));
    EXPECT_EQ(ReadAll(fs::path(state_.installFolder) / "Lang"), "in the way");
    EXPECT_FALSE(fs::exists(fs::path(state_.tempFolder)));
    const std::wstring text = page_.Text(kIdcInstallLog);
    EXPECT_NE(text.find(L"...Failed\r\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"Registry Data Writing"), std::wstring::npos);  // nothing after the extraction
    const std::wstring status = page_.Text(kIdcStatus);
    EXPECT_EQ(status.rfind(L"Installation failed (Error Code ", 0), 0u) << test::Narrow(status);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);

    // A second run after the obstacle is gone installs everything, after a new separator line.
    fs::remove(fs::path(state_.installFolder) / "Lang");
    EXPECT_TRUE(Run(DemoPayload()));
    EXPECT_TRUE(fs::exists(fs::path(state_.installFolder) / "Sarvelio.exe"));
    const std::wstring second = page_.Text(kIdcInstallLog);
    EXPECT_NE(second.find(L"\r\n-----", text.size() - 2), std::wstring::npos);
}

TEST_F(InstallRun, DamagedPayloadIsRefusedBeforeAnythingIsWritten) {
    std::string payload = DemoPayload();
    payload[payload.size() / 2] = static_cast<char>(payload[payload.size() / 2] ^ 0x5A);
    EXPECT_FALSE(Run(payload));
    EXPECT_FALSE(fs::exists(fs::path(state_.installFolder)));
    EXPECT_EQ(page_.Text(kIdcStatus), L"Installation failed (Error Code 4).");
    EXPECT_NE(page_.Text(kIdcInstallLog).find(L"Preparing Installation...Failed\r\n"), std::wstring::npos);
}

TEST(FailureCodes, TextByCategory) {
    EXPECT_EQ(FailureCodeText(std::error_code(5, std::system_category())), L"1:00000005");
    EXPECT_EQ(FailureCodeText(std::error_code(13, std::generic_category())), L"2:0000000D");
    EXPECT_EQ(FailureCodeText(make_error_code(compress_errc::invalid_checksum)), L"3");
    EXPECT_EQ(FailureCodeText(std::make_error_code(std::io_errc::stream)), L"7");
}

TEST(PathQuoting, OnlyPathsWithSpaces) {
    EXPECT_EQ(QuotedPath(L"C:\\a b\\c.exe"), L"\"C:\\a b\\c.exe\"");
    EXPECT_EQ(QuotedPath(L"C:\\ab\\c.exe"), L"C:\\ab\\c.exe");
}

// PathQuoteSpacesW leaves paths of 257 characters and more as they are; a command line holding
// such a path unquoted would run "C:\a" with the rest as arguments.
TEST(PathQuoting, LongPathsWithSpacesAreQuotedToo) {
    for (const std::size_t length : {256u, 257u, 258u, 259u}) {
        std::wstring path = L"C:\\a b\\";
        path += std::wstring(length - path.size() - 4, L'x') + L".exe";
        ASSERT_EQ(path.size(), length);
        EXPECT_EQ(QuotedPath(path), L"\"" + path + L"\"") << length;
    }
    // Longer ones are cut as a 260-character buffer holds them, then quoted.
    const std::wstring longer = L"C:\\a b\\" + std::wstring(300, L'x');
    EXPECT_EQ(QuotedPath(longer), L"\"" + longer.substr(0, 259) + L"\"");
}

}  // namespace
}  // namespace sv
