// Faults of a whole installation run, end to end under Wine, one table: each case ends with the
// machine exactly as it was before the run (files with their bytes and attributes, the product's
// registry keys, the journal's backups) or, where the installation goes on, in exactly the state
// that case expects. Faults the prefix cannot produce (a full disk, an access-denied folder, a
// file held during its checksum read; Wine runs as root and keeps no quota) come through the
// file-system seam; unexpected errors inside a step through the step probe.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <atomic>
#include <map>
#include <optional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "../app/TestSupport.h"
#include "InstallTestSupport.h"
#include "app/Localisation.h"
#include "install/InstallSequence.h"
#include "payload/PayloadBuilder.h"
#include "payload/Win32FileSystem.h"
#include "platform/UniqueHandle.h"
#include "ulog/LogFileApi.h"

namespace sv {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::ShellFolder;

// --- the machine, as far as an installation run touches it ------------------------------------------

using MachineState = std::map<std::wstring, std::string>;  // what -> attributes and bytes, or values

void AddFiles(MachineState& state, const fs::path& root) {
    std::error_code error;
    const DWORD rootAttributes = GetFileAttributesW(root.c_str());
    if (rootAttributes == INVALID_FILE_ATTRIBUTES) {
        state[root.wstring()] = "absent";
        return;
    }
    const auto add = [&state](const fs::path& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str()) & ~DWORD{FILE_ATTRIBUTE_NOT_CONTENT_INDEXED};
        std::string text = "attributes " + std::to_string(attributes);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) text += " bytes " + ReadAll(path);
        state[path.wstring()] = text;
    };
    add(root);
    if (!(rootAttributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) add(it->path());
}

void AddKey(MachineState& state, HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        state[L"HKLM\\" + path] = "absent";
        return;
    }
    state[L"HKLM\\" + path] = "key";
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 4096;
        BYTE data[4096];
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        state[L"HKLM\\" + path + L"|" + name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        AddKey(state, root, path + L"\\" + name);
    }
    RegCloseKey(key);
}

// --- the file-system seam: the installer's own, with faults on named files --------------------------------

class FaultyFileSystem : public Win32FileSystem {
public:
    std::wstring deniedFolderOf;      // a file whose folder cannot be created: access denied
    std::wstring fullDiskAt;          // a file whose write finds the disk full
    std::wstring heldDuringChecksum;  // a file held by another process while it is read back
    int sharingViolations = 0;        // how many read-backs of it meet the other process

    void PrepareDestination(const Utf16String& path) override {
        if (!deniedFolderOf.empty() && path == deniedFolderOf) {
            throw fs::filesystem_error("create_directories", fs::path(path).parent_path(),
                                       std::error_code(ERROR_ACCESS_DENIED, std::system_category()));
        }
        Win32FileSystem::PrepareDestination(path);
    }
    std::unique_ptr<OutputFile> CreateOutputFile(const Utf16String& path) override {
        auto file = Win32FileSystem::CreateOutputFile(path);
        if (path != fullDiskAt) return file;
        return std::make_unique<FullDisk>(std::move(file));
    }
    ReadOutcome ReadBlocks(const Utf16String& path, const BlockSink& sink) override {
        if (path == heldDuringChecksum && sharingViolations > 0) {
            --sharingViolations;
            return ReadOutcome::sharing_violation;
        }
        return Win32FileSystem::ReadBlocks(path, sink);
    }

private:
    // Takes the first block, then the platform reports ERROR_DISK_FULL.
    class FullDisk : public OutputFile {
    public:
        explicit FullDisk(std::unique_ptr<OutputFile> file) : file_(std::move(file)) {}
        void Write(const char* data, std::size_t size) override {
            if (written_) throw std::ios_base::failure("disk full", std::error_code(ERROR_DISK_FULL, std::system_category()));
            file_->Write(data, size / 2);
            written_ = true;
            throw std::ios_base::failure("disk full", std::error_code(ERROR_DISK_FULL, std::system_category()));
        }
        void Close() override { file_->Close(); }

    private:
        std::unique_ptr<OutputFile> file_;
        bool written_ = false;
    };
};

// The log file's last step, moving the new log over the old one, fails.
class FailingLogMove : public LogFileApi {
public:
    bool Replace(const std::wstring&, const std::wstring&) override {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
};

// --- the cases ---------------------------------------------------------------------------------------------

class FaultRun;

// Milliseconds: far above an answer's time even on a loaded machine, below the registration limit
// of the hang case (kHangCaseLimit), the one wait that lasts longer.
constexpr UINT kAnswerBound = 4000;
constexpr DWORD kHangCaseLimit = 6000;

struct FaultCase {
    const char* name;
    std::function<void(FaultRun&)> arrange;  // before the machine is looked at
    bool installs;                           // the run reaches its end (the machine changes as expected)
    std::wstring status;                     // the status text at the end (empty: not checked)
    std::wstring logLine;                    // a line the installation log must hold
    std::function<void(FaultRun&)> check;    // the expected state after a run that installs
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FaultRun : public testing::TestWithParam<FaultCase> {
public:
    void SetUp() override {
        Clean();
        SetLanguage(kEnglish);
        root_ = fs::path(sandbox_.path());
        install_ = root_ / "Program Files" / "Kavrenco" / "Sarvelix 6";
        state_.installFolder = install_.wstring();
        state_.startMenuFolder = (root_ / "Menu" / "Kavrenco" / "Sarvelix 6").wstring();
        state_.createMenuShortcut = true;
        state_.createDesktopShortcut = false;
        probe_ = ReadAll(fs::path(test::TestFolder()) / "registration_probe.exe");
        ASSERT_FALSE(probe_.empty());
        SetEnvironmentVariableW(L"SV_PROBE_EXIT", nullptr);
        // The run's temporary folder and the journal's backups go to a temporary folder of this
        // test, inside what Machine() looks at, out of reach of tests running beside this one.
        wchar_t temp[MAX_PATH] = {};
        GetEnvironmentVariableW(L"TMP", temp, MAX_PATH);
        savedTmp_ = temp;
        fs::create_directories(root_ / "Temp");
        SetEnvironmentVariableW(L"TMP", (root_ / "Temp").c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"SV_PROBE_EXIT", nullptr);
        SetEnvironmentVariableW(L"SV_PROBE_RECORD", nullptr);
        SetEnvironmentVariableW(L"TMP", savedTmp_.empty() ? nullptr : savedTmp_.c_str());
        Clean();
    }

    static void Clean() {
        std::error_code ignored;
        fs::remove_all(fs::path(ShellFolder(CSIDL_COMMON_APPDATA)) / "Kavrenco" / "SvFault", ignored);
        fs::remove_all(fs::path(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)) / "Sarvelix Examples", ignored);
        test::RegistrySandbox::Clean();
    }

    MachineState Machine() const {
        MachineState state;
        AddFiles(state, root_);
        AddFiles(state, fs::path(ShellFolder(CSIDL_COMMON_APPDATA)) / "Kavrenco");
        AddFiles(state, fs::path(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)) / "Sarvelix Examples");
        AddKey(state, HKEY_LOCAL_MACHINE, UninstallKeyPath());
        AddKey(state, HKEY_LOCAL_MACHINE, L"Software\\Kavrenco");
        return state;
    }

    // The payload: the main program (the registration probe unless replaced), the uninstaller, a
    // program file in a folder of its own, a shared data file, a sample and a temporary file.
    std::string Payload(const std::string& version = "1") const {
        std::vector<ArchiveEntry> entries;
        entries.push_back(EntryFromBytes(L"Sarvelio.exe", L"<InstallPath>", 1, mainProgram_.empty() ? probe_ : mainProgram_));
        entries.push_back(EntryFromBytes(L"Uninstall.exe", L"<InstallPath>", 2, "uninstaller " + version));
        entries.push_back(EntryFromBytes(L"fr.dll", L"<InstallPath>\\Lang", 0, "french texts " + version));
        entries.push_back(EntryFromBytes(L"Settings.dat", L"<CommonData>\\Kavrenco\\SvFault", 3, "shared " + version));
        entries.push_back(EntryFromBytes(L"Sample1.sv", L"<SamplePath>", 4, "sample " + version));
        entries.push_back(EntryFromBytes(L"setup.tmp", L"<Temporary>", 5, "temporary " + version));
        entries.push_back(EntryFromBytes(L"readme.txt", L"<InstallPath>\\Docs", 0, "read me " + version));
        std::ostringstream out;
        WritePayload(out, entries);
        return out.str();
    }

    // One run as the install page makes it, on a state of its own (as a new installer process).
    bool Run(InstallerState& state, const std::string& payload) {
        std::istringstream stream(payload);
        InstallSequence sequence(page_.get(), state);
        sequence.SetPayloadStream(&stream);
        sequence.SetFileSystem(&files_);
        sequence.SetRegistrationTimeLimit(registrationLimit_);
        if (throwAt_) {
            sequence.SetStepProbe([step = *throwAt_](InstallStep current) {
                if (current == step) throw std::runtime_error("unexpected");
            });
        }
        const bool result = sequence.DoInstall();
        mainExe_ = sequence.MainExePath();
        return result;
    }

    // A successful installation of version 1 with a fresh state (the previous version).
    void InstallPreviousVersion() {
        InstallerState previous;
        previous.installFolder = state_.installFolder;
        previous.startMenuFolder = state_.startMenuFolder;
        previous.createMenuShortcut = true;
        std::istringstream stream(Payload("1"));
        InstallSequence sequence(page_.get(), previous);
        sequence.SetPayloadStream(&stream);
        ASSERT_TRUE(sequence.DoInstall());
    }

    std::wstring UlogText() const {
        const std::string bytes = ReadAll(install_ / "Uninstall.ulog");
        if (bytes.size() < 2) return {};
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    }

    std::string RegistrationLine(int index) const {
        std::istringstream text(ReadAll(install_ / "registration.txt"));
        std::string line;
        for (int i = 0; i <= index; ++i) std::getline(text, line);
        return line;
    }

    test::TempFolder sandbox_;
    fs::path root_, install_;
    InstallerState state_;
    test::PageWindow page_;
    std::string probe_, mainProgram_, payload_;
    FaultyFileSystem files_;
    std::optional<InstallStep> throwAt_;
    DWORD registrationLimit_ = kRegistrationTimeLimit;
    FailingLogMove failingLogMove_;
    std::string oldLog_;     // the previous version's Uninstall.ulog
    fs::path holdPath_;      // a file another process holds open without sharing during the run
    UniqueFileHandle held_;
    std::string version_ = "2";
    std::wstring mainExe_;
    std::wstring savedTmp_;
};

TEST_P(FaultRun, EndsWithTheMachineAsExpected) {
    const FaultCase& c = GetParam();
    if (c.arrange) c.arrange(*this);
    if (payload_.empty()) payload_ = Payload(version_);
    const MachineState before = Machine();
    if (!holdPath_.empty()) {
        // Held without sharing, as another process would hold it (sharing is decided per handle).
        held_.reset(CreateFileW(holdPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held_);
    }

    // Meanwhile another thread sends the page window a message every 20 ms: the run's thread must
    // answer each one while it extracts, pauses before a checksum retry or waits for the
    // registration run. (The bound is far above an answer's time and below the waits, which are
    // seconds long; speed itself is bench/responsiveness.sh's.)
    std::atomic<bool> running{true}, pingerDone{false};
    int sent = 0, unanswered = 0;
    std::thread pinger([&] {
        while (running) {
            DWORD_PTR result = 0;
            ++sent;
            if (!SendMessageTimeoutW(page_.get(), WM_NULL, 0, 0, SMTO_NORMAL, kAnswerBound, &result)) ++unanswered;
            Sleep(20);
        }
        pingerDone = true;
    });
    const bool installed = Run(state_, payload_);
    running = false;
    while (!pingerDone) {  // its last message is answered too
        PumpMessages();
        Sleep(5);
    }
    pinger.join();
    held_.reset();
    EXPECT_GT(sent, 0);
    EXPECT_EQ(unanswered, 0) << "of " << sent;

    EXPECT_EQ(installed, c.installs);
    if (!c.status.empty()) {
        EXPECT_EQ(page_.Text(kIdcStatus), c.status);
    }
    const std::wstring log = page_.Text(kIdcInstallLog);
    if (!c.logLine.empty()) {
        EXPECT_NE(log.find(c.logLine), std::wstring::npos) << test::Narrow(log);
    }
    if (c.installs) {
        if (c.check) c.check(*this);
        return;
    }
    const MachineState after = Machine();
    for (const auto& [what, value] : before) {
        const auto found = after.find(what);
        EXPECT_TRUE(found != after.end() && found->second == value)
            << test::Narrow(what) << " was " << value << ", is " << (found == after.end() ? "gone" : found->second);
    }
    for (const auto& [what, value] : after)
        EXPECT_TRUE(before.count(what)) << test::Narrow(what) << " is new: " << value;
}

// --- the table ---------------------------------------------------------------------------------------------

const std::wstring kFailedStatus = L"Installation failed (Error Code ";

// After a run that installed although its registration failed: every file in place, the key
// written, the registration entry not completed, the log file written.
void InstalledWithoutRegistration(FaultRun& run) {
    EXPECT_EQ(ReadAll(run.install_ / "Lang" / "fr.dll"), "french texts 2");
    EXPECT_EQ(ReadAll(run.install_ / "Docs" / "readme.txt"), "read me 2");
    EXPECT_TRUE(fs::exists(fs::path(run.state_.startMenuFolder) / "Sarvelix 6.04h.lnk"));
    const std::wstring text = run.UlogText();
    EXPECT_NE(text.find(L":05ff:1 -- "), std::wstring::npos);
    EXPECT_NE(text.find(L":06ff:0 -- HKEY_CLASSES_ROOT\\..."), std::wstring::npos) << test::Narrow(text);
    EXPECT_NE(run.page_.Text(kIdcInstallLog).find(L"Installation Data Writing...OK\r\n"), std::wstring::npos);
    for (const LogEntry& entry : run.state_.uninstallLog.Entries()) EXPECT_TRUE(entry.backupPath.empty());
}

void WriteFile(const fs::path& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    SetFileAttributesW(path.c_str(), attributes);
}

// The run's failure has a line of its own, or ends the step's line when one is open.
FaultCase UnexpectedErrorAt(const char* name, InstallStep step, std::wstring logLine = kFailedStatus + L"7).\r\n") {
    return {name,
            [step](FaultRun& run) {
                run.throwAt_ = step;
                SetEnvironmentVariableW(L"SV_PROBE_RECORD", L"0");  // the run's own traces are not journalled
            },
            false, kFailedStatus + L"7).", logLine, nullptr};
}

std::vector<FaultCase> Cases() {
    return {
        {"CorruptPayload",
         [](FaultRun& run) {
             run.payload_ = run.Payload();
             run.payload_[run.payload_.size() / 2] = static_cast<char>(run.payload_[run.payload_.size() / 2] ^ 0x5A);
         },
         false, kFailedStatus + L"4).", L"Preparing Installation...Failed\r\n", nullptr},
        {"FolderThatCannotBeCreated",  // a file stands where the folder of the last entry goes
         [](FaultRun& run) { WriteFile(run.install_ / "Docs", "in the way", FILE_ATTRIBUTE_READONLY); }, false, L"",
         L"readme.txt\"...Failed\r\n", nullptr},
        {"DestinationHeldOpenWithoutSharing",
         [](FaultRun& run) {
             WriteFile(run.install_ / "Lang" / "fr.dll", "the user's own", FILE_ATTRIBUTE_HIDDEN);
             run.holdPath_ = run.install_ / "Lang" / "fr.dll";
         },
         false, L"", L"fr.dll\"...Failed\r\n", nullptr},
        {"HeldDuringItsChecksumReadFourTimes",
         [](FaultRun& run) {
             run.files_.heldDuringChecksum = (run.install_ / "Sarvelio.exe").wstring();
             run.files_.sharingViolations = 4;
         },
         false, kFailedStatus + L"7).", L"Sarvelio.exe\"...Failed\r\n", nullptr},
        {"HeldDuringItsChecksumReadThreeTimes",
         [](FaultRun& run) {
             run.files_.heldDuringChecksum = (run.install_ / "Sarvelio.exe").wstring();
             run.files_.sharingViolations = 3;
         },
         true, L"Click on 'Next' to continue.", L"Sarvelio.exe\"...OK\r\n",
         [](FaultRun& run) {
             EXPECT_EQ(run.files_.sharingViolations, 0);
             EXPECT_EQ(ReadAll(run.install_ / "Sarvelio.exe"), run.probe_);
         }},
        {"ReadOnlyDestinationFile",
         [](FaultRun& run) { WriteFile(run.install_ / "Lang" / "fr.dll", "older texts", FILE_ATTRIBUTE_READONLY); },
         true, L"Click on 'Next' to continue.", L"fr.dll\"...OK\r\n",
         [](FaultRun& run) {
             EXPECT_EQ(ReadAll(run.install_ / "Lang" / "fr.dll"), "french texts 2");
             EXPECT_EQ(GetFileAttributesW((run.install_ / "Lang" / "fr.dll").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
             for (const LogEntry& entry : run.state_.uninstallLog.Entries()) EXPECT_TRUE(entry.backupPath.empty());
         }},
        {"FailedUpdate",  // version 1 installed; the update's last file finds the disk full
         [](FaultRun& run) {
             run.InstallPreviousVersion();
             run.state_.installMode = InstallMode::Update;
             run.state_.updateFromVersion = 0x0006000400070001ull;
             run.files_.fullDiskAt = (run.install_ / "Docs" / "readme.txt").wstring();
         },
         false, kFailedStatus + L"1:00000070).", L"readme.txt\"...Failed\r\n", nullptr},
        {"LogFileCannotReplaceTheOldOne",  // an update that installs, but its log cannot replace the old log
         [](FaultRun& run) {
             run.InstallPreviousVersion();
             run.oldLog_ = ReadAll(run.install_ / "Uninstall.ulog");
             run.state_.uninstallLog.SetLogFileApi(run.failingLogMove_);
         },
         true, L"Click on 'Next' to continue.", L"Installation Data Writing...Failed\r\n",
         [](FaultRun& run) {
             const fs::path log = run.install_ / "Uninstall.ulog";
             EXPECT_FALSE(run.oldLog_.empty());
             EXPECT_EQ(ReadAll(log), run.oldLog_);
             EXPECT_EQ(GetFileAttributesW(log.c_str()) & ~DWORD{FILE_ATTRIBUTE_NOT_CONTENT_INDEXED},
                       DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
             EXPECT_EQ(ReadAll(run.install_ / "Lang" / "fr.dll"), "french texts 2");
             std::error_code error;
             for (const auto& entry : fs::directory_iterator(run.install_, error))  // no temporary log left
                 EXPECT_NE(entry.path().extension(), ".tmp") << test::Narrow(entry.path().wstring());
             EXPECT_TRUE(fs::is_empty(run.root_ / "Temp"));  // backups deleted, run folder swept
         }},
        {"RegistrationProgramFails",
         [](FaultRun&) { SetEnvironmentVariableW(L"SV_PROBE_EXIT", L"0"); }, true, L"",
         L"Registry Data Writing...Failed\r\n", InstalledWithoutRegistration},
        {"RegistrationProgramCrashes",
         [](FaultRun&) { SetEnvironmentVariableW(L"SV_PROBE_EXIT", L"crash"); }, true, L"",
         L"Registry Data Writing...Failed\r\n", InstalledWithoutRegistration},
        {"RegistrationProgramCannotBeStarted",
         [](FaultRun& run) { run.mainProgram_ = "MZ this is no program"; }, true, L"",
         L"Registry Data Writing...Failed\r\n",
         [](FaultRun& run) {
             InstalledWithoutRegistration(run);
             EXPECT_FALSE(fs::exists(run.install_ / "registration.txt"));
         }},
        {"RegistrationProgramHangsPastTheLimit",
         [](FaultRun& run) {
             SetEnvironmentVariableW(L"SV_PROBE_EXIT", L"hang");
             run.registrationLimit_ = kHangCaseLimit;
         },
         true, L"", L"Registry Data Writing...Failed\r\n",
         [](FaultRun& run) {
             // The program is left running; the test ends it.
             const DWORD id = static_cast<DWORD>(std::stoul(run.RegistrationLine(2)));
             UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
             ASSERT_TRUE(process);
             EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
             TerminateProcess(process.get(), 1);
             WaitForSingleObject(process.get(), 10000);
             InstalledWithoutRegistration(run);
         }},
        {"FullDisk",
         [](FaultRun& run) { run.files_.fullDiskAt = (run.install_ / "Lang" / "fr.dll").wstring(); }, false,
         kFailedStatus + L"1:00000070).", L"fr.dll\"...Failed\r\n", nullptr},
        {"AccessDeniedFolder",
         [](FaultRun& run) { run.files_.deniedFolderOf = (run.install_ / "Docs" / "readme.txt").wstring(); }, false,
         kFailedStatus + L"1:00000005).", L"readme.txt\"...Failed\r\n", nullptr},
        UnexpectedErrorAt("UnexpectedErrorNamingTheTemporaryFolder", InstallStep::temporaryFolder),
        UnexpectedErrorAt("UnexpectedErrorStartingTheExtraction", InstallStep::extraction),
        UnexpectedErrorAt("UnexpectedErrorMarkingReadOnly", InstallStep::readOnlyMarking),
        UnexpectedErrorAt("UnexpectedErrorCreatingShortcuts", InstallStep::shortcuts),
        UnexpectedErrorAt("UnexpectedErrorWritingTheKey", InstallStep::registry),
        UnexpectedErrorAt("UnexpectedErrorInTheRegistrationRun", InstallStep::registration,
                          L"Registry Data Writing...Failed\r\n"),  // the line the key's step opened
        UnexpectedErrorAt("UnexpectedErrorWritingTheLogFile", InstallStep::logFile),
    };
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultRun, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sv
