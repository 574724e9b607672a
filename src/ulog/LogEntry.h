// One change recorded by the uninstall log, as kept in memory and as written to Uninstall.ulog.
// Portable: no platform calls.
#pragma once

#include <cstdint>
#include <list>
#include <optional>

#include "payload/FileIdentity.h"
#include "payload/Utf16.h"

namespace sv {

// What a journal entry stands for. In the file, the high byte of the entry's 16-bit word.
enum class LogEntryKind : std::int32_t {
    CreatedFolder = 0,
    InstalledFile = 1,
    MenuShortcut = 2,
    UninstallShortcut = 3,
    DesktopShortcut = 4,
    UninstallKey = 5,
    ClassesRoot = 6,
};

inline constexpr std::int32_t kNoEntryValue = -1;

struct LogEntry {
    LogEntryKind kind = LogEntryKind::CreatedFolder;
    Utf16String path;        // the folder, file or shortcut; empty for the registry entries
    Utf16String backupPath;  // temporary file holding what the change replaced; empty: nothing to restore
    bool completed = false;
    std::int32_t value = kNoEntryValue;  // payload kind of a file; only the low 8 bits reach the file

    // In memory only (never written):
    // where the backup came from, when that is not `path` (the previous installation's shortcut);
    Utf16String backupSource;
    // something existed before the change but could not be backed up: a rollback must leave
    // whatever is at `path` (or the registry key) where it is, since it cannot put the old one back.
    bool unsavedOriginal = false;
    // what this run made at `path`: the written file (from the handle it was written through) or
    // the created folder. A rollback deletes only an object that still has this identity.
    std::optional<FileIdentity> identity;
    // an existing shared data file adopted in place (its backup is a copy): a rollback leaves it.
    bool keptInPlace = false;

    friend bool operator==(const LogEntry&, const LogEntry&) = default;
};

using LogEntryList = std::list<LogEntry>;

}  // namespace sv
