// The installation run: the one operation that changes the machine.
//
// It drives the install page's controls directly: the log (multi-line edit 1015), the progress bar
// (1014) and the status text (1003) of the page window it is given. Runs synchronously on the
// user-interface thread and pumps the thread's messages after every payload notification.
#pragma once

#include <windows.h>

#include <functional>
#include <istream>
#include <string>
#include <system_error>

#include "app/InstallerState.h"
#include "install/InstallLog.h"
#include "payload/Notification.h"
#include "payload/FileRules.h"
#include "payload/Win32FileSystem.h"

namespace sv {

inline constexpr int kIdcInstallLog = 1015;
inline constexpr int kIdcInstallProgress = 1014;
inline constexpr int kIdcStatus = 1003;

// How long the registration run of the installed program is waited for. The program registers
// file types and ends within seconds; one that is still running after five minutes is taken to
// hang (or to wait for an answer nobody gives), and the installation must not wait for it forever:
// the step fails, the program is left running, and the installation goes on.
inline constexpr DWORD kRegistrationTimeLimit = 5 * 60 * 1000;

// The steps of a run, in their order, as a test's step probe sees them.
enum class InstallStep { temporaryFolder, extraction, readOnlyMarking, shortcuts, registry, registration, logFile };

class InstallSequence {
public:
    InstallSequence(HWND page, InstallerState& state) : page_(page), state_(state) {}

    // The whole run: temporary folder, extraction with rollback on failure, read-only marking,
    // shortcuts, the Uninstall key and the registration run, Uninstall.ulog. True when the run
    // reached its end (later steps may have shown "Failed"); false when the temporary folder
    // cannot be named or the extraction failed (everything journalled is then rolled back).
    bool DoInstall();

    // Destination paths of the last main executable and uninstaller extracted by the last run.
    const std::wstring& MainExePath() const { return paths_.mainExePath; }
    const std::wstring& UninstallerPath() const { return paths_.uninstallerPath; }

    // Where the payload comes from; by default the program's own resource 260/134.
    void SetPayloadStream(std::istream* stream) { payload_ = stream; }

    // --- seams of the fault tests ---------------------------------------------------------------
    // The extraction's file system (a test's faults on the Win32 one); either way, its pause
    // before a checksum retry pumps the thread's messages.
    void SetFileSystem(Win32FileSystem* fileSystem) { fileSystem_ = fileSystem; }
    // Called as each step begins; may raise, as an unexpected error inside that step would.
    using StepProbe = std::function<void(InstallStep)>;
    void SetStepProbe(StepProbe probe) { probe_ = std::move(probe); }
    void SetRegistrationTimeLimit(DWORD milliseconds) { registrationTimeLimit_ = milliseconds; }

    // Appends to the installation log of a page: text as it is, or, for a heading or an empty
    // text, a full-width line of hyphens around the text, ended by CR LF.
    static void AppendLog(HWND page, const std::wstring& text, bool heading);

private:
    bool RunSteps();
    void Step(InstallStep step) const {
        if (probe_) probe_(step);
    }
    notification::result Observe(const notification& event, std::istream& payload, FileRules& rules);
    void AppendLog(const std::wstring& text, bool heading = false);
    void SetStatus(const std::wstring& text) const;
    void EndLine(bool ok);
    void CreateShortcuts();
    bool WriteUninstallKey();
    void RunRegistration(bool registryOk);
    void WriteLogFile();

    HWND page_;
    InstallerState& state_;
    InstalledPaths paths_;
    std::istream* payload_ = nullptr;
    Win32FileSystem* fileSystem_ = nullptr;
    StepProbe probe_;
    DWORD registrationTimeLimit_ = kRegistrationTimeLimit;
    bool lineOpen_ = false;   // the log's last line waits for its "OK" or "Failed"
    bool committed_ = false;  // Uninstall.ulog was written: the run can no longer be undone
};

// Code text of a failure in message 1121: "1:%08X" for system errors, "2:%08X" for the runtime's
// errno values, the decimal code of the payload reader's category, "7" otherwise.
std::wstring FailureCodeText(const std::error_code& code);

// Drains the thread's message queue (a quit message is posted again and ends the draining).
// False when it met the quit message.
bool PumpMessages();

// Waits until `object` is signalled or `milliseconds` have passed, pumping the thread's messages
// whenever they arrive, so that the window repaints and answers sent messages. A null object:
// waits the whole time. True when the object was signalled.
bool WaitPumpingMessages(HANDLE object, DWORD milliseconds);


}  // namespace sv
