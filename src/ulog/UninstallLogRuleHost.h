// The file rules' view of the installer's uninstall log and of the machine.
#pragma once

#include "payload/FileRules.h"
#include "ulog/UninstallLog.h"

namespace sv {

class UninstallLogRuleHost final : public FileRuleHost {
public:
    explicit UninstallLogRuleHost(UninstallLog& log) : log_(log) {}

    bool IsPreviousCompletedFile(const Utf16String& path) override;
    void RecordFile(const Utf16String& path, std::uint32_t kind, bool keepInPlace) override;
    void CompleteLast(bool outcome) override;
    bool FileExists(const Utf16String& path) override;
    void GrantUsersAccess(const Utf16String& path, std::uint32_t access, std::uint32_t inheritance) override;

private:
    UninstallLog& log_;
};

}  // namespace sv
