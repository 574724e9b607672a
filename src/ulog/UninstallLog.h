// The journal of one installation run. Every change to the machine is recorded just before it is
// made, with a backup of what it replaces; the caller then records the outcome (CompleteLast).
// A failed installation is undone by Rollback; a successful one ends with WriteAndCommit, which
// writes Uninstall.ulog for the separate uninstaller and deletes the backups. The same object
// reads the previous installation's log at start-up.
//
// Operations answer nothing or bool; none raises.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "payload/FileIdentity.h"
#include "ulog/LogEntry.h"
#include "ulog/LogFileApi.h"

namespace sv {

class UninstallLog {
public:
    // The product as the log names it.
    struct Product {
        std::wstring key;                          // sub-key under the system's Uninstall key ("Sarvelio 6")
        std::function<std::wstring()> displayTitle;  // name with version label, in the current language
    };

    // Which shortcut RecordShortcut journals.
    enum Shortcut : int { MenuProgram = 0, Uninstall = 1, Desktop = 2 };

    explicit UninstallLog(Product product);
    UninstallLog(const UninstallLog&) = delete;
    UninstallLog& operator=(const UninstallLog&) = delete;

    // Reads a previous log; an empty path reads nothing. Either way the previous folders are
    // emptied first, then set from the log when they are plain drive paths of existing folders.
    // Entries that IsTrustedEntry refuses (ulog/TrustedEntries.h) are dropped.
    void ReadPrevious(const std::wstring& path);

    bool IsPreviousCompletedFile(const std::wstring& path) const;

    bool MayActOn(const std::wstring& path) const { return !pathCheck_ || pathCheck_(path); }

    // Before a payload file is written: creates and journals its missing folders, journals the
    // file and backs up an existing one (copied when keepInPlace, else moved aside).
    void RecordFile(const std::wstring& path, std::int32_t payloadKind, bool keepInPlace);
    // Before a shortcut is created in folder: the previous installation's shortcut of the same
    // kind is moved to a backup.
    void RecordShortcut(int which, const std::wstring& folder);
    // Right after the product's Uninstall key was opened (existingKey: it was already there, and
    // is saved) or created (nullptr: a rollback deletes it).
    void RecordUninstallKey(HKEY existingKey);
    // Just before the registration run of the installed program.
    void RecordClassesRoot();

    // The file of the pending RecordFile entry was created for writing at path; identity read from
    // the handle it is written through. Ignored unless path is that entry's.
    void NoteWrittenFile(const std::wstring& path, const FileIdentity& identity);

    // For one run: which paths the journal may create folders at, back up, or restore to (the
    // installer's LinkGuard); null: every path. Folders it creates at createdFolderSecurity's path
    // get that descriptor at creation (null: none); the descriptor must outlive the run.
    using PathCheck = std::function<bool(const std::wstring& path)>;
    void SetPathCheck(PathCheck check) { pathCheck_ = std::move(check); }
    void SetCreatedFolderSecurity(const std::wstring& folder, PSECURITY_DESCRIPTOR descriptor) {
        securedFolder_ = folder;
        securedFolderDescriptor_ = descriptor;
    }

    // The outcome of the last recorded change; a created shortcut's path when given.
    void CompleteLast(bool outcome, const std::wstring& shortcutPath = std::wstring());

    // Undoes this run's changes in reverse order and forgets them. A written file or created folder
    // is deleted only while its path, opened without following a link, still names the object this
    // run made; anything else found there is left, and the rollback goes on. An adopted shared
    // data file stays where it is.
    void Rollback();

    // Merges the previous entries, writes the log file, deletes the backups (in every case).
    // The new log replaces an old one in one step, once it is completely written and flushed; until
    // then, and whenever a step fails, the old log stays exactly as it was. True when the file was
    // completely written.
    bool WriteAndCommit(const std::wstring& logPath, const std::wstring& installFolder,
                        const std::wstring& startMenuFolder);

    // The file calls of WriteAndCommit (the real ones unless a test injects failures).
    void SetLogFileApi(LogFileApi& api) noexcept { fileApi_ = &api; }

    // --- state ----------------------------------------------------------------------------------
    const std::wstring& PreviousInstallPath() const noexcept { return previousInstallPath_; }
    const std::wstring& PreviousShortcutPath() const noexcept { return previousShortcutPath_; }
    const LogEntryList& PreviousEntries() const noexcept { return previousEntries_; }
    const LogEntryList& Entries() const noexcept { return entries_; }
    bool OutcomePending() const noexcept { return outcomePending_; }
    const std::wstring& PreviousInstallText() const noexcept { return previousInstallText_; }

private:
    std::wstring MakeBackup(const std::wstring* source, bool copy);
    void CreateFolders(const std::wstring& path);
    LogEntry& Append(LogEntryKind kind, std::int32_t value);
    void RollbackUninstallKey(const LogEntry& entry);
    void RollbackFile(const LogEntry& entry);

    Product product_;
    std::wstring previousInstallPath_;
    std::wstring previousShortcutPath_;
    LogEntryList previousEntries_;
    LogEntryList entries_;
    bool outcomePending_ = false;
    std::wstring previousInstallText_;
    PathCheck pathCheck_;
    std::wstring securedFolder_;
    PSECURITY_DESCRIPTOR securedFolderDescriptor_ = nullptr;
    LogFileApi* fileApi_;
};

// The identity of what path names, opened without following a link; nullopt when it cannot be read.
std::optional<FileIdentity> IdentityOf(const std::wstring& path);

// Deletes the file or (empty) folder at path only when, opened without following a link, it has
// identity: through that handle, so that what is deleted is what was checked. True when deleted.
bool DeleteIfSame(const std::wstring& path, const FileIdentity& identity);

// The system's Uninstall key, below HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kUninstallRootKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Replaces the tree of key `subKey` under `parent` (created when missing) by the tree saved in
// `hiveFile` with RegSaveKeyW: loaded as a temporary hive under HKEY_USERS, copied, unloaded.
// Needs SeBackupPrivilege and SeRestorePrivilege enabled. True when copied.
bool RestoreKeyFromFile(HKEY parent, const std::wstring& subKey, const std::wstring& hiveFile);

// Whether two paths name the same folder or file: equal text; else, when both exist, the same
// volume and file index; else their full forms compared element by element, ignoring case.
bool SamePath(const std::wstring& a, const std::wstring& b);

}  // namespace sv
