// The file rules' view of the installer's uninstall log and of the machine.
#pragma once

#include "payload/FileRules.h"
#include "payload/LinkGuard.h"
#include "ulog/UninstallLog.h"

namespace sv {

class UninstallLogRuleHost final : public FileRuleHost {
public:
    // guard (optional): a shared data file is granted only inside the shared folders it knows,
    // and only when no link leads there.
    explicit UninstallLogRuleHost(UninstallLog& log, const LinkGuard* guard = nullptr) : log_(log), guard_(guard) {}

    bool IsPreviousCompletedFile(const Utf16String& path) override;
    void RecordFile(const Utf16String& path, std::uint32_t kind, bool keepInPlace) override;
    void CompleteLast(bool outcome) override;
    bool FileExists(const Utf16String& path) override;
    void GrantUsersAccess(const Utf16String& path, std::uint32_t access, std::uint32_t inheritance) override;

private:
    UninstallLog& log_;
    const LinkGuard* guard_;
};

}  // namespace sv
