// The installation run: the one operation that changes the machine.
//
// It drives the install page's controls directly: the log (multi-line edit 1015), the progress bar
// (1014) and the status text (1003) of the page window it is given. Runs synchronously on the
// user-interface thread and pumps the thread's messages after every payload notification.
#pragma once

#include <windows.h>

#include <istream>
#include <string>
#include <system_error>

#include "app/InstallerState.h"
#include "install/InstallLog.h"
#include "payload/Notification.h"
#include "payload/FileRules.h"

namespace sv {

inline constexpr int kIdcInstallLog = 1015;
inline constexpr int kIdcInstallProgress = 1014;
inline constexpr int kIdcStatus = 1003;

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

    // Appends to the installation log of a page: text as it is, or, for a heading or an empty
    // text, a full-width line of hyphens around the text, ended by CR LF.
    static void AppendLog(HWND page, const std::wstring& text, bool heading);

private:
    notification::result Observe(const notification& event, std::istream& payload, FileRules& rules);
    void AppendLog(const std::wstring& text, bool heading = false) const { AppendLog(page_, text, heading); }
    void SetStatus(const std::wstring& text) const;
    void EndLine(bool ok) const;
    void CreateShortcuts();
    bool WriteUninstallKey();
    void RunRegistration(bool registryOk);
    void WriteLogFile();

    HWND page_;
    InstallerState& state_;
    InstalledPaths paths_;
    std::istream* payload_ = nullptr;
};

// Code text of a failure in message 1121: "1:%08X" for system errors, "2:%08X" for the runtime's
// errno values, the decimal code of the payload reader's category, "7" otherwise.
std::wstring FailureCodeText(const std::error_code& code);

// Drains the thread's message queue (a quit message is posted again and ends the draining).
void PumpMessages();


}  // namespace sv
