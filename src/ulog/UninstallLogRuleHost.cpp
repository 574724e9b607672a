#include "ulog/UninstallLogRuleHost.h"

#include "platform/AccessControl.h"

namespace sv {

bool UninstallLogRuleHost::IsPreviousCompletedFile(const Utf16String& path) { return log_.IsPreviousCompletedFile(path); }

void UninstallLogRuleHost::RecordFile(const Utf16String& path, std::uint32_t kind, bool keepInPlace) {
    // An unknown kind is recorded with its own value (its low 8 bits reach the file).
    log_.RecordFile(path, static_cast<std::int32_t>(kind), keepInPlace);
}

void UninstallLogRuleHost::CompleteLast(bool outcome) { log_.CompleteLast(outcome); }

bool UninstallLogRuleHost::FileExists(const Utf16String& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void UninstallLogRuleHost::GrantUsersAccess(const Utf16String& path, std::uint32_t access, std::uint32_t inheritance) {
    // Not in the installing user's own data folder: only what all users share is opened to them.
    if (guard_ && (!guard_->InSharedFolder(path) || !guard_->Allows(path))) return;
    if (inheritance == 0) {
        sv::GrantUsersFileAccess(path, access);  // through a checked handle, never by name
    } else {
        sv::GrantUsersAccess(path, access, inheritance);
    }
}

}  // namespace sv
