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
    sv::GrantUsersAccess(path, access, inheritance);
}

}  // namespace sv
