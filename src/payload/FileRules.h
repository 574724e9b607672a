// The installer's policy for each payload entry: which entries are written, which are left as the
// user had them (and adopted into the uninstall log), which are recorded, which receive access
// for the machine's users, and which paths the rest of the installation remembers.
//
// Portable: the journal, the machine and the run's temporary-file sweeper are reached through the
// small interfaces below (the installer's are in ulog/UninstallLogRuleHost.h).
#pragma once

#include <cstdint>

#include "app/Product.h"
#include "payload/Notification.h"
#include "payload/PayloadEntry.h"

namespace sv {

// Read, write and delete for the machine's users (FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE),
// granted without inheritance on every shared data file.
inline constexpr std::uint32_t kSharedDataFileAccess = 0x13019F;
inline constexpr std::uint32_t kNoInheritance = 0;

// What the rules need of the uninstall log and of the machine.
class FileRuleHost {
public:
    virtual ~FileRuleHost() = default;
    // The previous installation's log lists path as a file it wrote successfully.
    virtual bool IsPreviousCompletedFile(const Utf16String& path) = 0;
    virtual void RecordFile(const Utf16String& path, std::uint32_t kind, bool keepInPlace) = 0;
    virtual void CompleteLast(bool outcome) = 0;
    virtual bool FileExists(const Utf16String& path) = 0;
    // Failures are not reported: a file whose access cannot be changed is still installed.
    virtual void GrantUsersAccess(const Utf16String& path, std::uint32_t access, std::uint32_t inheritance) = 0;
};

// The run's list of temporary files, removed when the installation ends.
class TemporaryFileList {
public:
    virtual ~TemporaryFileList() = default;
    virtual void AddTemporaryFile(const Utf16String& path) = 0;
};

// Paths the rest of the installation needs: the last main executable and uninstaller written.
struct InstalledPaths {
    Utf16String mainExePath;
    Utf16String uninstallerPath;
};

// The begin rule's decision for one entry.
struct BeginDecision {
    notification::result answer = notification::proceed;  // proceed or skip
    bool keepInPlace = false;  // the flag for RecordFile: back up an existing file by copying it
    bool record = false;       // the observer records the entry with RecordFile before writing it
};

class FileRules {
public:
    FileRules(InstallMode mode, FileRuleHost& host, TemporaryFileList& temporaryFiles, InstalledPaths& paths)
        : mode_(mode), host_(host), temporaryFiles_(temporaryFiles), paths_(paths) {}

    // On file_begin. Entries it skips show nothing and add no line to the installation log.
    BeginDecision Begin(const PayloadEntry& entry);
    // On file_end, after the file was written and verified.
    void Complete(const PayloadEntry& entry);

private:
    InstallMode mode_;
    FileRuleHost& host_;
    TemporaryFileList& temporaryFiles_;
    InstalledPaths& paths_;
};

}  // namespace sv
