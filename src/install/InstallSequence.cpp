#include "install/InstallSequence.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "install/InstallLog.h"
#include "install/LogText.h"
#include "install/Shortcut.h"
#include "install/TempFolder.h"
#include "payload/LinkGuard.h"
#include "payload/Payload.h"
#include "payload/PathText.h"
#include "platform/AccessControl.h"
#include "platform/UniqueHandle.h"
#include "ui/framework/WaitCursor.h"
#include "ui/framework/WinApp.h"
#include "ulog/UninstallLogRuleHost.h"

namespace sv {
namespace {

// Message numbers of the catalogue (French block).
constexpr std::uint32_t kMsgNext = 1006;
constexpr std::uint32_t kMsgStepOk = 1011;
constexpr std::uint32_t kMsgStepFailed = 1012;
constexpr std::uint32_t kMsgUninstallShortcut = 1013;
constexpr std::uint32_t kMsgExamplesFolder = 1018;
constexpr std::uint32_t kMsgClickContinue = 1106;
constexpr std::uint32_t kMsgPreparing = 1114;
constexpr std::uint32_t kMsgCopyingFile = 1115;
constexpr std::uint32_t kMsgShortcuts = 1117;
constexpr std::uint32_t kMsgRegistry = 1118;
constexpr std::uint32_t kMsgInstallData = 1119;
constexpr std::uint32_t kMsgInstallFailed = 1121;

constexpr int kRegistrationSuccess = -10;
// The code text of an error of no known category.
constexpr wchar_t kUnexpectedCodeText[] = L"7";
constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Temporary files of the payload go to the run's sweeper.
class SweeperList final : public TemporaryFileList {
public:
    explicit SweeperList(TempFileSweeper& sweeper) : sweeper_(sweeper) {}
    void AddTemporaryFile(const Utf16String& path) override { sweeper_.Add(path); }

private:
    TempFileSweeper& sweeper_;
};

std::wstring FolderOf(const std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    const std::size_t length = std::min<std::size_t>(path.size(), MAX_PATH - 1);
    path.copy(buffer, length);
    if (!PathRemoveFileSpecW(buffer) || buffer[0] == L'\0') return {};
    return buffer;
}

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether folder lies in one of the system's program folders (those of both views on 64-bit
// Windows), whose access lists keep users from changing what is installed there.
bool InsideProgramFiles(const std::wstring& folder) {
    std::vector<std::wstring> roots = {ShellFolderPath(CSIDL_PROGRAM_FILES), ShellFolderPath(CSIDL_PROGRAM_FILESX86)};
    wchar_t native[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"ProgramW6432", native, MAX_PATH);
    if (length > 0 && length < MAX_PATH) roots.emplace_back(native);
    const auto elements = path_text::Elements(folder);
    for (const std::wstring& root : roots) {
        const auto rootElements = path_text::Elements(root);
        if (rootElements.empty() || rootElements.size() > elements.size()) continue;
        bool inside = true;
        for (std::size_t i = 0; i < rootElements.size() && inside; ++i) {
            const auto& a = rootElements[i];
            const auto& b = elements[i];
            inside = CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                          TRUE) == CSTR_EQUAL;
        }
        if (inside) return true;
    }
    return false;
}

}  // namespace

std::wstring FailureCodeText(const std::error_code& code) {
    wchar_t text[32];
    if (code.category() == std::system_category()) {
        std::swprintf(text, 32, L"1:%08X", static_cast<unsigned>(code.value()));
    } else if (code.category() == std::generic_category()) {
        std::swprintf(text, 32, L"2:%08X", static_cast<unsigned>(code.value()));
    } else if (code.category() == compress_category()) {
        std::swprintf(text, 32, L"%d", code.value());
    } else {
        return L"7";
    }
    return text;
}

bool PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        ui::CWinApp* app = ui::AfxGetApp();
        if (app != nullptr && app->PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

bool WaitPumpingMessages(HANDLE object, DWORD milliseconds) {
    const ULONGLONG start = GetTickCount64();
    bool pumping = true;
    for (bool first = true;; first = false) {
        const ULONGLONG elapsed = GetTickCount64() - start;
        const DWORD remaining = elapsed >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - elapsed);
        if (remaining == 0 && !first) {  // time is up, however many messages keep coming
            return object != nullptr && WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
        }
        if (!pumping) {  // a quit message waits in the queue: no more pumping, only waiting
            if (object == nullptr) {
                Sleep(remaining);
                return false;
            }
            return WaitForSingleObject(object, remaining) == WAIT_OBJECT_0;
        }
        const DWORD count = object != nullptr ? 1 : 0;
        const DWORD result =
            MsgWaitForMultipleObjectsEx(count, object != nullptr ? &object : nullptr, remaining, QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE);
        if (count == 1 && result == WAIT_OBJECT_0) return true;
        if (result == WAIT_OBJECT_0 + count) {
            pumping = PumpMessages();
            continue;
        }
        if (result == WAIT_TIMEOUT || remaining == 0) {
            return object != nullptr && WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
        }
        if (result == WAIT_FAILED) pumping = false;  // wait without the queue from now on
    }
}

void InstallSequence::AppendLog(HWND page, const std::wstring& text, bool heading) {
    AppendInstallLog(GetDlgItem(page, kIdcInstallLog), page, text, heading);
}

void InstallSequence::AppendLog(const std::wstring& text, bool heading) {
    AppendLog(page_, text, heading);
    const bool lineEnded = heading || text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0);
    lineOpen_ = !lineEnded;
}

void InstallSequence::SetStatus(const std::wstring& text) const { SetDlgItemTextW(page_, kIdcStatus, text.c_str()); }

void InstallSequence::EndLine(bool ok) { AppendLog(CatalogueText(ok ? kMsgStepOk : kMsgStepFailed) + L"\r\n"); }

notification::result InstallSequence::Observe(const notification& event, std::istream& payload, FileRules& rules) {
    UninstallLog& log = state_.uninstallLog;
    switch (event.index()) {
    case 0: {  // started
        const std::wstring text = CatalogueText(kMsgPreparing);
        SetStatus(text);
        AppendLog(text);
        const auto start = payload.tellg();
        if (!VerifyPayload(payload, [] { PumpMessages(); })) RaiseCompressError(compress_errc::unknown);
        payload.clear();
        payload.seekg(start);
        EndLine(true);
        return notification::proceed;
    }
    case 1:  // finished
        return notification::proceed;
    case 2: {  // file_begin
        const PayloadEntry& entry = std::get<notification::file_begin>(event.event).entry;
        const BeginDecision decision = rules.Begin(entry);
        if (decision.answer == notification::skip) return notification::skip;
        const std::wstring text = FormatCatalogueText(kMsgCopyingFile, QuotedPath(entry.destinationPath));
        if (decision.record)
            log.RecordFile(entry.destinationPath, static_cast<std::int32_t>(entry.kind), decision.keepInPlace);
        PathSetDlgItemPathW(page_, kIdcStatus, text.c_str());
        AppendLog(text);
        return notification::proceed;
    }
    case 3: {  // file_end
        const PayloadEntry& entry = std::get<notification::file_end>(event.event).entry;
        rules.Complete(entry);
        if (entry.kind != EntryKind::TemporaryFile) log.CompleteLast(true);
        EndLine(true);
        return notification::proceed;
    }
    case 4: {  // progress
        const auto& progress = std::get<notification::progress>(event.event);
        SendDlgItemMessageW(page_, kIdcInstallProgress, PBM_SETPOS,
                            static_cast<WPARAM>(ProgressPercent(progress.done, progress.total)), 0);
        return notification::proceed;
    }
    default: {  // failure
        const auto& failure = std::get<notification::failure>(event.event);
        log.CompleteLast(false);
        EndLine(false);
        SetStatus(FormatCatalogueText(kMsgInstallFailed, FailureCodeText(failure.code)));
        return notification::abort;
    }
    }
}

bool InstallSequence::DoInstall() {
    lineOpen_ = false;
    committed_ = false;
    try {
        return RunSteps();
    } catch (...) {
        // An error nobody expected ends the run as a failed extraction (code 7) would: the open
        // line says "Failed" and everything journalled is undone. Once the log file is written
        // the installation is complete and stays.
        if (committed_) return true;
        try {
            state_.uninstallLog.CompleteLast(false);
            const std::wstring text = FormatCatalogueText(kMsgInstallFailed, kUnexpectedCodeText);
            if (lineOpen_) {
                EndLine(false);
            } else {
                AppendLog(text + L"\r\n");  // between two steps: the failure has a line of its own
            }
            SetStatus(text);
        } catch (...) {
            // the texts are lost; the rollback still runs
        }
        state_.uninstallLog.Rollback();
        return false;
    }
}

bool InstallSequence::RunSteps() {
    paths_ = InstalledPaths{};
    AppendLog(std::wstring(), true);
    ui::CWaitCursor waitCursor;

    Step(InstallStep::temporaryFolder);
    SetStatus(CatalogueText(kMsgPreparing));
    std::wstring errorText;
    if (!PrepareTempFolder(state_.tempFolder, errorText)) {
        const std::wstring text = FormatCatalogueText(kMsgInstallFailed, errorText);
        SetStatus(text);
        AppendLog(text + L"\r\n");
        return false;
    }
    const std::wstring samplesFolder = FormatCatalogueText(kMsgExamplesFolder, ProductDisplayName(false));

    TempFileSweeper sweeper(state_.tempFolder);
    HWND progress = GetDlgItem(page_, kIdcInstallProgress);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    ShowWindow(progress, SW_SHOW);

    {
        imemstream resource;
        std::istream* payload = payload_;
        if (payload == nullptr) {
            resource = OpenResourceStream(kPayloadResourceType, kPayloadResourceId, ResourceModule());
            payload = &resource;
        }
        // This run's view of the folders users can write: links there are refused, written
        // files are journalled with their identity, and an installation folder created outside
        // the program folders gets their access list.
        UninstallLog& log = state_.uninstallLog;
        Win32FileSystem systemFiles;
        Win32FileSystem& fileSystem = fileSystem_ != nullptr ? *fileSystem_ : systemFiles;
        LinkGuard guard(fileSystem);
        fileSystem.SetCreatedFileListener(
            [&log](const std::wstring& path, const FileIdentity& identity) { log.NoteWrittenFile(path, identity); });
        log.SetPathCheck([&guard](const std::wstring& path) { return guard.Allows(path); });
        std::optional<ProgramFilesChildDescriptor> installFolderSecurity;
        if (!IsFolder(state_.installFolder) && !InsideProgramFiles(state_.installFolder)) {
            try {
                installFolderSecurity.emplace();
                log.SetCreatedFolderSecurity(state_.installFolder, installFolderSecurity->get());
            } catch (const HResultError&) {
                installFolderSecurity.reset();  // created as the system would, as before
            }
        }
        const ScopeExit endOfRun([&log] {
            log.SetPathCheck(nullptr);
            log.SetCreatedFolderSecurity(std::wstring(), nullptr);
        });

        UninstallLogRuleHost host(state_.uninstallLog, &guard);
        SweeperList temporaryFiles(sweeper);
        FileRules rules(state_.installMode, host, temporaryFiles, paths_);
        const PayloadObserver observer = [&](notification event) {
            const notification::result answer = Observe(event, *payload, rules);
            PumpMessages();
            return answer;
        };
        fileSystem.SetPause([](DWORD milliseconds) { WaitPumpingMessages(nullptr, milliseconds); });
        Step(InstallStep::extraction);
        if (!ExtractPayload(*payload, state_.installFolder, samplesFolder, state_.tempFolder, observer, fileSystem,
                            &guard)) {
            state_.uninstallLog.Rollback();
            return false;
        }
    }

    Step(InstallStep::readOnlyMarking);
    for (const std::wstring* path : {&paths_.mainExePath, &paths_.uninstallerPath}) {
        const DWORD attributes = GetFileAttributesW(path->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path->c_str(), attributes | FILE_ATTRIBUTE_READONLY);
    }

    Step(InstallStep::shortcuts);
    CreateShortcuts();
    Step(InstallStep::registry);
    const bool registryOk = WriteUninstallKey();
    Step(InstallStep::registration);
    RunRegistration(registryOk);
    Step(InstallStep::logFile);
    WriteLogFile();

    SetStatus(FormatCatalogueText(kMsgClickContinue, CatalogueText(kMsgNext)));
    return true;
}

void InstallSequence::CreateShortcuts() {
    if (!state_.createMenuShortcut && !state_.createDesktopShortcut) return;
    UninstallLog& log = state_.uninstallLog;
    bool ok = true;
    const std::wstring text = CatalogueText(kMsgShortcuts);
    SetStatus(text);
    AppendLog(text);
    const auto finish = [&](bool created, const std::wstring& createdPath) {
        if (!created) ok = false;
        log.CompleteLast(created, created ? createdPath : std::wstring());
    };
    std::wstring createdPath;
    if (state_.createMenuShortcut) {
        log.RecordShortcut(UninstallLog::MenuProgram, state_.startMenuFolder);
        const bool created =
            CreateShortcut(paths_.mainExePath, state_.startMenuFolder, ProductDisplayName(true), &createdPath);
        finish(created, createdPath);
    }
    if (state_.createMenuShortcut) {
        log.RecordShortcut(UninstallLog::Uninstall, state_.startMenuFolder);
        const std::wstring name = FormatCatalogueText(kMsgUninstallShortcut, ProductDisplayName(false));
        finish(CreateShortcut(paths_.uninstallerPath, state_.startMenuFolder, name, &createdPath), createdPath);
    }
    if (state_.createDesktopShortcut) {
        std::wstring desktop = ShellFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY);
        if (desktop.empty()) desktop = ShellFolderPath(CSIDL_DESKTOPDIRECTORY);
        if (desktop.empty()) {
            ok = false;  // no desktop folder at all: the shortcut counts as failed
        } else {
            log.RecordShortcut(UninstallLog::Desktop, desktop);
            finish(CreateShortcut(paths_.mainExePath, desktop, ProductDisplayName(true), &createdPath), createdPath);
        }
    }
    EndLine(ok);
}

bool InstallSequence::WriteUninstallKey() {
    const std::wstring text = CatalogueText(kMsgRegistry);
    SetStatus(text);
    AppendLog(text);

    UniqueHKey uninstall;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_ALL_ACCESS, uninstall.put()) != ERROR_SUCCESS)
        return false;
    UniqueHKey product;
    DWORD disposition = 0;
    if (RegCreateKeyExW(uninstall.get(), ProductKey().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, product.put(), &disposition) != ERROR_SUCCESS)
        return false;
    state_.uninstallLog.RecordUninstallKey(disposition == REG_OPENED_EXISTING_KEY ? product.get() : nullptr);

    const std::wstring web = product::kPublisherWebAddress;
    const bool nameWritten = SetString(product.get(), L"DisplayName", ProductDisplayName(true));
    // In quotes, as the system's program list expects: unquoted, a path with spaces below a folder
    // that users can write could start a program planted at its first space.
    const bool uninstallWritten = SetString(product.get(), L"UninstallString", L"\"" + paths_.uninstallerPath + L"\"");
    SetString(product.get(), L"DisplayIcon", paths_.mainExePath + L",0");
    SetString(product.get(), L"DisplayVersion", product::kVersionText);
    SetString(product.get(), L"Publisher", product::kPublisher);
    SetString(product.get(), L"URLInfoAbout", web);
    SetString(product.get(), L"HelpLink", web);
    SetString(product.get(), L"URLUpdateInfo", web);
    SetString(product.get(), L"HelpTelephone", product::kPublisherTelephone);
    SetDword(product.get(), L"NoModify", 1);
    SetDword(product.get(), L"NoRepair", 1);
    SetDword(product.get(), L"KvLanguage", static_cast<DWORD>(CurrentLanguage()));
    const bool registryOk = nameWritten && uninstallWritten;
    product.reset();
    state_.uninstallLog.CompleteLast(registryOk);
    return registryOk;
}

void InstallSequence::RunRegistration(bool registryOk) {
    UninstallLog& log = state_.uninstallLog;
    log.RecordClassesRoot();

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    std::wstring command = RegistrationCommandLine(QuotedPath(paths_.mainExePath), state_.updateFromVersion);
    const std::wstring directory = FolderOf(paths_.mainExePath);

    state_.instanceMutex.ReleaseForRegistration();
    PROCESS_INFORMATION process = {};
    bool runOk = false;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr,
                       directory.empty() ? nullptr : directory.c_str(), &startup, &process)) {
        const UniqueHandle processHandle(process.hProcess);
        const UniqueHandle threadHandle(process.hThread);
        // The window answers while the program runs: it may broadcast messages to every window.
        const bool ended = WaitPumpingMessages(processHandle.get(), registrationTimeLimit_);
        DWORD exitCode = 0;
        if (!ended || !GetExitCodeProcess(processHandle.get(), &exitCode)) exitCode = 0;  // past the limit: left running
        state_.instanceMutex.TryAcquire();
        const bool registered = static_cast<std::int32_t>(exitCode) == kRegistrationSuccess;
        runOk = registryOk && registered;
        log.CompleteLast(registered);
        if (registered) {
            ui::CWaitCursor waitCursor;
            SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
        }
    } else {
        log.CompleteLast(false);
        state_.instanceMutex.TryAcquire();
    }
    EndLine(runOk);
}

void InstallSequence::WriteLogFile() {
    const std::wstring text = CatalogueText(kMsgInstallData);
    SetStatus(text);
    AppendLog(text);
    bool ok = false;
    const std::wstring folder = FolderOf(paths_.uninstallerPath);
    if (!folder.empty()) {
        wchar_t path[MAX_PATH] = {};
        folder.copy(path, folder.size());
        if (PathAppendW(path, L"Uninstall.ulog")) {
            committed_ = true;  // from here on nothing can be undone: WriteAndCommit deletes the backups
            ok = state_.uninstallLog.WriteAndCommit(path, state_.installFolder, state_.startMenuFolder);
        }
    }
    EndLine(ok);
}

}  // namespace sv
