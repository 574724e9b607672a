// Reader of one Windows version resource: the program's own or a file's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class VersionInfo {
public:
    // The running module's own resource (located and locked once per process, not copied).
    static VersionInfo OwnModule();
    // A file's version information; empty when the file has none.
    explicit VersionInfo(const std::wstring& path);

    VersionInfo(VersionInfo&&) noexcept = default;
    VersionInfo& operator=(VersionInfo&&) noexcept = default;
    VersionInfo(const VersionInfo&) = delete;
    VersionInfo& operator=(const VersionInfo&) = delete;

    bool Empty() const { return size_ == 0; }
    const VS_FIXEDFILEINFO* FixedInfo() const { return fixedInfo_; }
    // (dwFileVersionMS << 32) | dwFileVersionLS; 0 without a fixed part.
    std::uint64_t VersionNumber() const;
    // dwFileFlags & dwFileFlagsMask; 0 without a fixed part.
    std::uint32_t FileFlags() const;
    // "llllcccc" in lower-case hexadecimal for every translation whose code page is 1200.
    const std::vector<std::wstring>& Translations() const { return translations_; }

    // A string of the first translation, or empty.
    std::wstring StringValue(const wchar_t* name) const;
    std::wstring ProductName() const { return StringValue(L"ProductName"); }
    std::wstring ProductVersion() const { return StringValue(L"ProductVersion"); }
    std::wstring LegalCopyright() const { return StringValue(L"LegalCopyright"); }
    // Display title in the current language.
    std::wstring ProductTitle() const;

private:
    VersionInfo() = default;
    void Parse();

    std::vector<BYTE> buffer_;
    const BYTE* data_ = nullptr;
    DWORD size_ = 0;
    const VS_FIXEDFILEINFO* fixedInfo_ = nullptr;
    std::vector<std::wstring> translations_;
};

}  // namespace sv
