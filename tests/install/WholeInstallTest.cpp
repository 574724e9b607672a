// Whole installations of the demo payload, each run by CTest in a Wine prefix of its own that was
// booted for it: the machine is checked afterwards as the separate uninstaller and the next
// installer will find it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "../app/TestSupport.h"
#include "InstallTestSupport.h"
#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "install/InstallSequence.h"
#include "payload/ExtractionState.h"
#include "payload/PayloadBuilder.h"
#include "payload/ResourceStream.h"
#include "ulog/UlogWriter.h"

namespace sv {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::ReadLink;
using test::ShellFolder;

std::wstring RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"<none>";
    return value;
}

DWORD RegistryNumber(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// The table of the payload embedded in this test program (the installer's demo payload).
struct PlannedFile {
    std::wstring path;
    std::uint32_t kind;
    std::uint32_t crc;
};

std::string EmbeddedPayload() {
    imemstream stream = OpenResourceStream(kPayloadResourceType, kPayloadResourceId);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

std::vector<PayloadEntry> EmbeddedTable() {
    const std::string archive = Bzip2Decompress(EmbeddedPayload());
    std::uint64_t headerSize = 0;
    std::memcpy(&headerSize, archive.data(), sizeof headerSize);
    return ParseEntryTable(archive.substr(0, static_cast<std::size_t>(headerSize)));
}

class WholeInstall : public ::testing::Test {
protected:
    void SetUp() override {
        SetLanguage(kEnglish);
        installFolder_ = L"C:\\Program Files\\Kavrenco Test\\Sarvelix 6";
        startMenuFolder_ = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Kavrenco\\Sarvelix 6";
        commonDesktop_ = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
        for (const auto& entry : EmbeddedTable()) {
            std::wstring folder = entry.destinationPath;
            const std::pair<const wchar_t*, std::wstring> tokens[] = {
                {L"<InstallPath>", installFolder_},
                {L"<CommonData>", ShellFolder(CSIDL_COMMON_APPDATA)},
                {L"<UserData>", ShellFolder(CSIDL_APPDATA)},
                {L"<SamplePath>", commonDesktop_ + L"\\Sarvelix Examples"}};
            for (const auto& [token, value] : tokens)
                if (folder.rfind(token, 0) == 0) folder = value + folder.substr(std::wcslen(token));
            const std::wstring name = entry.sourcePath.substr(entry.sourcePath.find_last_of(L"\\/") + 1);
            planned_.push_back({folder + L"\\" + name, static_cast<std::uint32_t>(entry.kind), entry.crc});
        }
        ASSERT_EQ(planned_.size(), 28u);
    }

    // One installation run as start-up and the install page would make it.
    bool Install(InstallerState& state, bool menu, bool desktop) {
        state.SettleLanguage();
        // Each installer process looks the installed program up once; these runs share a process.
        state.DetectInstallModeFrom(LookUpInstalledProgram());
        state.ReadPreviousLog();
        if (state.installFolder.empty()) state.installFolder = installFolder_;
        if (state.startMenuFolder.empty()) state.startMenuFolder = startMenuFolder_;
        state.createMenuShortcut = menu;
        state.createDesktopShortcut = desktop;
        EXPECT_TRUE(state.instanceMutex.TryAcquire());
        InstallSequence sequence(page_.get(), state);
        if (payload_) sequence.SetPayloadStream(payload_.get());
        const bool installed = sequence.DoInstall();
        mainExe_ = sequence.MainExePath();
        uninstaller_ = sequence.UninstallerPath();
        return installed;
    }

    // Folders that do not exist yet, outermost first.
    static std::vector<std::wstring> MissingFolders(const std::wstring& folder) {
        std::vector<std::wstring> missing;
        for (fs::path p(folder); !p.empty() && !fs::exists(p) && p != p.root_path(); p = p.parent_path())
            missing.insert(missing.begin(), p.wstring());
        return missing;
    }

    std::vector<PlannedFile> planned_;
    std::wstring installFolder_, startMenuFolder_, commonDesktop_;
    std::wstring mainExe_, uninstaller_;
    std::unique_ptr<std::istream> payload_;
    test::PageWindow page_;
};

std::wstring Hex4(unsigned value) {
    wchar_t text[8];
    std::swprintf(text, 8, L"%04x", value);
    return text;
}

TEST_F(WholeInstall, FreshInstallationIntoAFolderWithSpaces) {
    // Expected journal, worked out from the machine before the run.
    std::vector<std::wstring> expected;
    std::set<std::wstring> listed;
    auto folders = [&](const std::wstring& folder) {
        for (const auto& missing : MissingFolders(folder))
            if (listed.insert(missing).second) expected.push_back(L"00ff:1 -- " + missing);
    };
    for (const auto& file : planned_) {
        folders(fs::path(file.path).parent_path().wstring());
        expected.push_back(Hex4(0x100 | file.kind) + L":1 -- " + file.path);
    }
    folders(startMenuFolder_);
    expected.push_back(L"02ff:1 -- " + startMenuFolder_ + L"\\Sarvelix 6.04h.lnk");
    expected.push_back(L"03ff:1 -- " + startMenuFolder_ + L"\\Uninstall Sarvelix.lnk");
    expected.push_back(L"04ff:1 -- " + commonDesktop_ + L"\\Sarvelix 6.04h.lnk");
    expected.push_back(L"05ff:1 -- HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sarvelio 6");
    expected.push_back(L"06ff:1 -- HKEY_CLASSES_ROOT\\...");

    InstallerState state;
    ASSERT_TRUE(Install(state, true, true));
    EXPECT_EQ(state.installMode, InstallMode::FreshInstall);

    // Every file with its checksum; the two programs read-only.
    for (const auto& file : planned_) {
        ASSERT_TRUE(fs::exists(fs::path(file.path))) << test::Narrow(file.path);
        EXPECT_EQ(Crc32(ReadAll(fs::path(file.path))), file.crc) << test::Narrow(file.path);
        const bool program = file.kind == 1 || file.kind == 2;
        EXPECT_EQ((GetFileAttributesW(file.path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, program)
            << test::Narrow(file.path);
    }
    // (The users' access on the shared data files is granted through the ACL functions; Wine keeps
    // no file DACL, so it cannot be read back here.)

    // Shortcuts, read back through the shell's link object.
    const test::LinkInfo menuLink = ReadLink(startMenuFolder_ + L"\\Sarvelix 6.04h.lnk");
    EXPECT_EQ(menuLink.target, mainExe_);
    EXPECT_EQ(menuLink.workingDirectory, installFolder_);
    EXPECT_EQ(ReadLink(startMenuFolder_ + L"\\Uninstall Sarvelix.lnk").target, uninstaller_);
    EXPECT_EQ(ReadLink(commonDesktop_ + L"\\Sarvelix 6.04h.lnk").target, mainExe_);

    // The Uninstall key, and what the program registered about itself.
    const std::wstring key = UninstallKeyPath();
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, key, L"DisplayName"), L"Sarvelix 6.04h");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, key, L"UninstallString"), L"\"" + installFolder_ + L"\\Uninstall.exe\"");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, key, L"DisplayIcon"), installFolder_ + L"\\Sarvelio.exe,0");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, key, L"DisplayVersion"), L"6.4.8.2");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, key, L"Publisher"), L"Kavrenco");
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, key, L"NoModify"), 1u);
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, key, L"NoRepair"), 1u);
    EXPECT_EQ(RegistryNumber(HKEY_LOCAL_MACHINE, key, L"KvLanguage"), 1u);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco", L"Sarvelio 6 Path"), mainExe_);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco\\Sarvelio 6 Test", L"LastArguments"),
              L"/Register /Background");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, L".sarv", nullptr), L"Kavrenco.Sarvelio.6");
    // The key, the stored language and the product's own registration live in this build's
    // registry view only (the 32-bit view for the shipped 32-bit installer and product), where
    // the next installer run looks for them.
    using test::MachineText;
    EXPECT_EQ(MachineText(test::kRegistryViewOfThisBuild, key, L"DisplayName"), L"Sarvelix 6.04h");
    EXPECT_EQ(MachineText(test::kRegistryViewOfThisBuild, key, L"KvLanguage"), L"1");
    EXPECT_EQ(MachineText(test::kRegistryViewOfThisBuild, L"Software\\Kavrenco", L"Sarvelio 6 Path"), mainExe_);
    EXPECT_EQ(MachineText(test::kOtherRegistryView, key, L"DisplayName"), L"<none>");
    EXPECT_EQ(MachineText(test::kOtherRegistryView, key, L"KvLanguage"), L"<none>");
    EXPECT_EQ(MachineText(test::kOtherRegistryView, L"Software\\Kavrenco", L"Sarvelio 6 Path"), L"<none>");

    // Uninstall.ulog, byte for byte.
    std::wstring text = L"// Uninstall Log File v1\r\n"
                        L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
                        L"// Install Sarvelix 6.04h\r\n"
                        L"// Install Path : " + installFolder_ + L"\r\n"
                        L"// Shortcut Path : " + startMenuFolder_ + L"\r\n"
                        L"// " + std::wstring(16 + startMenuFolder_.size(), L'-') + L"\r\n";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        wchar_t index[16];
        std::swprintf(index, 16, L"%04zu:", i);
        text += index + expected[i] + L"\r\n";
    }
    const std::string bytes = ReadAll(fs::path(installFolder_) / "Uninstall.ulog");
    std::string expectedBytes = "\xFF\xFE";
    expectedBytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    EXPECT_EQ(bytes, expectedBytes);
    const DWORD logAttributes = GetFileAttributesW((installFolder_ + L"\\Uninstall.ulog").c_str());
    EXPECT_NE(logAttributes & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(logAttributes & FILE_ATTRIBUTE_ARCHIVE, 0u);

    EXPECT_FALSE(fs::exists(fs::path(state.tempFolder)));
    const std::wstring log = page_.Text(kIdcInstallLog);
    for (const wchar_t* line : {L"Shortcuts Creation...OK\r\n", L"Registry Data Writing...OK\r\n",
                                L"Installation Data Writing...OK\r\n"})
        EXPECT_NE(log.find(line), std::wstring::npos) << test::Narrow(line);
}

TEST_F(WholeInstall, TheUninstallerRemovesWhatTheLogLists) {
    InstallerState state;
    ASSERT_TRUE(Install(state, true, true));
    // The installed uninstaller, silent, as the system's program list would start it.
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + uninstaller_ + L"\" /quiet";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 120000);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(exitCode, 0u);
    for (int i = 0; i < 100 && fs::exists(fs::path(installFolder_)); ++i) Sleep(100);  // its copy finishes the folder
    for (const auto& file : planned_) EXPECT_FALSE(fs::exists(fs::path(file.path))) << test::Narrow(file.path);
    EXPECT_FALSE(fs::exists(fs::path(installFolder_)));
    EXPECT_FALSE(fs::exists(fs::path(startMenuFolder_)));
    EXPECT_FALSE(fs::exists(fs::path(commonDesktop_) / "Sarvelix 6.04h.lnk"));
    EXPECT_FALSE(fs::exists(fs::path(commonDesktop_) / "Sarvelix Examples"));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKeyPath(), L"DisplayName"), L"<none>");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, L".sarv", nullptr), L"<none>");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco", L"Sarvelio 6 Path"), L"<none>");
}

TEST_F(WholeInstall, UpdateFromAnInstalled6471) {
    {
        InstallerState first;
        ASSERT_TRUE(Install(first, true, false));
    }
    // The installed program becomes 6.4.7.1; the user changed a shared data file and removed a sample.
    const std::wstring installed = installFolder_ + L"\\Sarvelio.exe";
    SetFileAttributesW(installed.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::copy_file(fs::path(test::TestFolder()) / "Sarvelio6471.exe", fs::path(installed),
                  fs::copy_options::overwrite_existing);
    std::wstring shared, sample;
    for (const auto& file : planned_) {
        if (file.kind == 3 && shared.empty()) shared = file.path;
        if (file.kind == 4 && sample.empty()) sample = file.path;
    }
    std::ofstream(fs::path(shared), std::ios::binary | std::ios::trunc) << "changed by the user";
    fs::remove(fs::path(sample));

    InstallerState update;
    ASSERT_TRUE(Install(update, true, false));
    EXPECT_EQ(update.installMode, InstallMode::Update);
    EXPECT_EQ(update.updateFromVersion, 0x0006000400070001ull);
    EXPECT_EQ(update.installFolder, installFolder_);  // from the previous log
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco\\Sarvelio 6 Test", L"LastArguments"),
              L"/Register /Background /update=0006000400070001");
    EXPECT_EQ(ReadAll(fs::path(shared)), "changed by the user");
    EXPECT_FALSE(fs::exists(fs::path(sample)));  // samples are not written on update
    EXPECT_EQ(Crc32(ReadAll(fs::path(installed))), planned_[14].crc);  // the new program
    const std::string ulog = ReadAll(fs::path(installFolder_) / "Uninstall.ulog");
    const std::wstring text(reinterpret_cast<const wchar_t*>(ulog.data() + 2), (ulog.size() - 2) / 2);
    EXPECT_NE(text.find(L"// Install Sarvelix 6.04h -- Update (Sarvelix 6.04h)\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L":0103:1 -- " + shared + L"\r\n"), std::wstring::npos);  // still listed for the uninstaller
}

TEST_F(WholeInstall, ReinstallationOfTheSameVersion) {
    {
        InstallerState first;
        ASSERT_TRUE(Install(first, true, true));
    }
    InstallerState again;
    ASSERT_TRUE(Install(again, true, true));
    EXPECT_EQ(again.installMode, InstallMode::SameVersion);
    EXPECT_EQ(again.updateFromVersion, 0u);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco\\Sarvelio 6 Test", L"LastArguments"),
              L"/Register /Background");
    for (const auto& file : planned_) EXPECT_TRUE(fs::exists(fs::path(file.path))) << test::Narrow(file.path);
    // Each installed file is listed once in the merged log.
    const std::string ulog = ReadAll(fs::path(installFolder_) / "Uninstall.ulog");
    const std::wstring text(reinterpret_cast<const wchar_t*>(ulog.data() + 2), (ulog.size() - 2) / 2);
    for (const auto& file : planned_) {
        const std::wstring line = L":1 -- " + file.path + L"\r\n";
        const auto first = text.find(line);
        EXPECT_NE(first, std::wstring::npos) << test::Narrow(file.path);
        EXPECT_EQ(text.find(line, first + 1), std::wstring::npos) << test::Narrow(file.path);
    }
}

TEST_F(WholeInstall, MenuShortcutsWithTheDesktopShortcutFailing) {
    // A folder where the desktop link should go: the link cannot be saved.
    fs::create_directories(fs::path(commonDesktop_) / "Sarvelix 6.04h.lnk");
    InstallerState state;
    ASSERT_TRUE(Install(state, true, true));
    EXPECT_TRUE(fs::exists(fs::path(startMenuFolder_) / "Sarvelix 6.04h.lnk"));
    EXPECT_TRUE(fs::exists(fs::path(startMenuFolder_) / "Uninstall Sarvelix.lnk"));
    EXPECT_NE(page_.Text(kIdcInstallLog).find(L"Shortcuts Creation...Failed\r\n"), std::wstring::npos);
    const std::string ulog = ReadAll(fs::path(installFolder_) / "Uninstall.ulog");
    const std::wstring text(reinterpret_cast<const wchar_t*>(ulog.data() + 2), (ulog.size() - 2) / 2);
    EXPECT_NE(text.find(L":02ff:1 -- " + startMenuFolder_ + L"\\Sarvelix 6.04h.lnk\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L":03ff:1 -- " + startMenuFolder_ + L"\\Uninstall Sarvelix.lnk\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L":04ff:0 -- "), std::wstring::npos);  // the desktop entry is not completed
    EXPECT_TRUE(fs::is_directory(fs::path(commonDesktop_) / "Sarvelix 6.04h.lnk"));  // left as it was
}

TEST_F(WholeInstall, NeitherShortcut) {
    InstallerState state;
    ASSERT_TRUE(Install(state, false, false));
    EXPECT_EQ(page_.Text(kIdcInstallLog).find(L"Shortcuts Creation"), std::wstring::npos);
    EXPECT_FALSE(fs::exists(fs::path(startMenuFolder_)));
    EXPECT_FALSE(fs::exists(fs::path(commonDesktop_) / "Sarvelix 6.04h.lnk"));
    const std::string ulog = ReadAll(fs::path(installFolder_) / "Uninstall.ulog");
    const std::wstring text(reinterpret_cast<const wchar_t*>(ulog.data() + 2), (ulog.size() - 2) / 2);
    for (const wchar_t* kind : {L":02ff:", L":03ff:", L":04ff:"}) EXPECT_EQ(text.find(kind), std::wstring::npos);
    EXPECT_NE(text.find(L"// Shortcut Path : " + startMenuFolder_ + L"\r\n"), std::wstring::npos);
}

// A previous log is input: one planted beside the installer (here: beside this test program, the
// installer's own folder) is never read, and one in the registered folder is used only for what
// has the shape this program writes. Files outside the product that the logs name stay as they
// are, the folders are the registered or default ones, and the new log names none of them.
TEST_F(WholeInstall, HostileLogsMoveNothingOutsideTheProduct) {
    {
        InstallerState first;
        ASSERT_TRUE(Install(first, true, true));
    }
    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    const fs::path bait = L"C:\\Bait";
    fs::create_directories(bait);
    const std::vector<fs::path> baits{bait / L"Victim.lnk", bait / L"Victim.dll", bait / L"Uninstall.lnk",
                                      fs::path(commonDesktop_) / L"Victim.exe", fs::path(programs) / L"Other Program.lnk"};
    for (const auto& file : baits) std::ofstream(file, std::ios::binary) << "not the product's";
    const auto entry = [](LogEntryKind kind, const std::wstring& path) {
        LogEntry e;
        e.kind = kind;
        e.path = path;
        e.completed = true;
        e.value = kind == LogEntryKind::InstalledFile ? 0 : kNoEntryValue;
        return e;
    };
    const auto newLog = [&] {
        const std::string bytes = ReadAll(fs::path(installFolder_) / "Uninstall.ulog");
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    };
    const auto checkMachine = [&](const InstallerState& state) {
        EXPECT_EQ(state.installFolder, installFolder_);
        EXPECT_EQ(state.startMenuFolder, startMenuFolder_);
        for (const auto& file : baits) {
            ASSERT_TRUE(fs::exists(file)) << file.string();
            EXPECT_EQ(ReadAll(file), "not the product's") << file.string();
        }
        EXPECT_FALSE(fs::exists(bait / L"Sarvelio.exe"));
        const std::wstring text = newLog();
        for (const wchar_t* name : {L"Bait", L"Victim", L"Other Program", L"\\\\"})
            EXPECT_EQ(text.find(name), std::wstring::npos) << test::Narrow(name);
    };

    // 1. The registered folder lost its log; a log beside the installer names the bait.
    const fs::path registeredLog = fs::path(installFolder_) / "Uninstall.ulog";
    SetFileAttributesW(registeredLog.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove(registeredLog);
    const fs::path planted = fs::path(test::TestFolder()) / "Uninstall.ulog";
    const struct Remove {
        fs::path file;
        ~Remove() { std::error_code ignored; fs::remove(file, ignored); }
    } removePlanted{planted};
    const LogEntryList plantedEntries{entry(LogEntryKind::MenuShortcut, programs + L"\\Other Program.lnk"),
                                      entry(LogEntryKind::InstalledFile, L"C:\\Bait\\Victim.dll")};
    std::ofstream(planted, std::ios::binary)
        << FormatUlogFile(UlogHeader{L"Sarvelix 6.04h", L"", L"C:\\Bait", L"C:\\Bait", L"Sarvelio 6"}, plantedEntries);
    {
        InstallerState again;
        ASSERT_TRUE(Install(again, true, true));
        EXPECT_EQ(again.installMode, InstallMode::SameVersion);
        checkMachine(again);
        EXPECT_EQ(newLog().find(L"-- Update ("), std::wstring::npos);  // no previous log was read
    }

    // 2. The registered folder's log itself is hostile; only its product entry is kept.
    const std::wstring kept = installFolder_ + L"\\Old Data.dat";
    const LogEntryList hostile{
        entry(LogEntryKind::MenuShortcut, L"C:\\Bait\\Victim.lnk"),  // outside the shortcut folders
        entry(LogEntryKind::UninstallShortcut, programs + L"\\..\\..\\..\\..\\..\\Bait\\Uninstall.lnk"),
        entry(LogEntryKind::DesktopShortcut, commonDesktop_ + L"\\Victim.exe"),  // not a shortcut
        entry(LogEntryKind::InstalledFile, L"\\\\?\\C:\\Bait\\Victim.dll"),
        entry(LogEntryKind::InstalledFile, L"\\\\localhost\\C$\\Bait\\Victim.dll"),
        entry(LogEntryKind::CreatedFolder, installFolder_ + L"\\..\\..\\..\\Bait"),
        entry(LogEntryKind::InstalledFile, kept)};
    SetFileAttributesW(registeredLog.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(registeredLog, std::ios::binary | std::ios::trunc)
        << FormatUlogFile(UlogHeader{L"Sarvelix 6.04h", L"", installFolder_ + L"\\..\\..\\..\\Bait", L"\\\\?\\C:\\Bait",
                                     L"Sarvelio 6"},
                          hostile);
    InstallerState third;
    ASSERT_TRUE(Install(third, true, true));
    checkMachine(third);
    const std::wstring text = newLog();
    EXPECT_NE(text.find(L"// Install Sarvelix 6.04h -- Update (Sarvelix 6.04h)\r\n"), std::wstring::npos);  // read
    EXPECT_NE(text.find(L":0100:1 -- " + kept + L"\r\n"), std::wstring::npos);  // carried for the uninstaller
    EXPECT_TRUE(fs::exists(fs::path(startMenuFolder_) / L"Sarvelix 6.04h.lnk"));
    EXPECT_TRUE(fs::exists(fs::path(commonDesktop_) / L"Sarvelix 6.04h.lnk"));
}

TEST_F(WholeInstall, ProgramExitingZero) {
    // The demo payload with a main program that ends with exit code 0.
    std::vector<ArchiveEntry> entries;
    const std::string archive = Bzip2Decompress(EmbeddedPayload());
    std::uint64_t offset = 0;
    std::memcpy(&offset, archive.data(), sizeof offset);
    for (const auto& entry : EmbeddedTable()) {
        std::string bytes = archive.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(entry.size));
        offset += entry.size;
        if (entry.kind == EntryKind::MainExecutable) bytes = ReadAll(fs::path(test::TestFolder()) / "registration_probe.exe");
        entries.push_back(EntryFromBytes(entry.sourcePath, entry.destinationPath, static_cast<std::uint32_t>(entry.kind),
                                         std::move(bytes)));
    }
    std::ostringstream payload;
    WritePayload(payload, entries);
    payload_ = std::make_unique<std::istringstream>(payload.str());
    SetEnvironmentVariableW(L"SV_PROBE_EXIT", L"0");

    InstallerState state;
    ASSERT_TRUE(Install(state, true, false));
    EXPECT_NE(page_.Text(kIdcInstallLog).find(L"Registry Data Writing...Failed\r\n"), std::wstring::npos);
    EXPECT_NE(page_.Text(kIdcInstallLog).find(L"Installation Data Writing...OK\r\n"), std::wstring::npos);
    const std::string ulog = ReadAll(fs::path(installFolder_) / "Uninstall.ulog");
    const std::wstring text(reinterpret_cast<const wchar_t*>(ulog.data() + 2), (ulog.size() - 2) / 2);
    EXPECT_NE(text.find(L":05ff:1 -- "), std::wstring::npos);  // the key was written
    EXPECT_NE(text.find(L":06ff:0 -- HKEY_CLASSES_ROOT\\..."), std::wstring::npos);  // no registration
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, L".sarv", nullptr), L"<none>");
}

// Run by CTest through cmake/fresh-prefix-run.sh --link, which made
// C:\ProgramData\Kavrenco\Sarvelio a Unix symbolic link to C:\Decoy before the run (a junction a
// user planted, as Wine shows it: a reparse point). The installation stops at the first shared
// data file with 1:0000112B, writes nothing through the link, and the rollback leaves the machine
// as it was, the link included.
TEST_F(WholeInstall, ALinkedSharedFolderIsRefused) {
    const std::wstring commonData = ShellFolder(CSIDL_COMMON_APPDATA);
    const std::wstring linked = commonData + L"\\Kavrenco\\Sarvelio";
    const std::wstring decoy = L"C:\\Decoy";
    const DWORD before = GetFileAttributesW(linked.c_str());
    ASSERT_NE(before, INVALID_FILE_ATTRIBUTES) << "the link was not planted: run through fresh-prefix-run.sh --link";
    ASSERT_NE(before & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "not a reparse point";
    const std::wstring userData = ShellFolder(CSIDL_APPDATA) + L"\\Kavrenco";
    ASSERT_FALSE(fs::exists(fs::path(userData)));

    InstallerState state;
    EXPECT_FALSE(Install(state, true, true));
    EXPECT_NE(page_.Text(kIdcStatus).find(L"1:0000112B"), std::wstring::npos) << test::Narrow(page_.Text(kIdcStatus));

    // Nothing through the link: the folder it leads to holds what it held.
    std::vector<std::wstring> held;
    for (const auto& item : fs::directory_iterator(fs::path(decoy))) held.push_back(item.path().filename().wstring());
    EXPECT_EQ(held, std::vector<std::wstring>{L"marker.txt"});
    // The link is still there, still a link; the rest rolled back.
    EXPECT_EQ(GetFileAttributesW(linked.c_str()), before);
    EXPECT_TRUE(fs::is_directory(fs::path(commonData) / "Kavrenco"));
    EXPECT_FALSE(fs::exists(fs::path(installFolder_)));
    EXPECT_FALSE(fs::exists(fs::path(userData)));
    EXPECT_FALSE(fs::exists(fs::path(state.tempFolder)));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallKeyPath(), L"DisplayName"), L"<none>");
}

}  // namespace
}  // namespace sv
