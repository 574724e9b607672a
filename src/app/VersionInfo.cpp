#include "app/VersionInfo.h"

#include <cwchar>

#include "app/Localisation.h"
#include "app/Product.h"
#include "platform/VersionResolver.h"

namespace sv {
namespace {

constexpr WORD kUnicodeCodePage = 1200;

struct OwnResource {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

const OwnResource& OwnModuleResource() {
    static const OwnResource resource = [] {
        OwnResource found;
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(1), RT_VERSION);
        if (info == nullptr) return found;
        HGLOBAL loaded = LoadResource(module, info);
        if (loaded == nullptr) return found;
        found.data = static_cast<const BYTE*>(LockResource(loaded));
        found.size = found.data != nullptr ? SizeofResource(module, info) : 0;
        return found;
    }();
    return resource;
}

}  // namespace

VersionInfo VersionInfo::OwnModule() {
    VersionInfo info;
    const OwnResource& own = OwnModuleResource();
    info.data_ = own.data;
    info.size_ = own.size;
    info.Parse();
    return info;
}

VersionInfo::VersionInfo(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = version::GetFileVersionInfoSize(path.c_str(), &ignored);
    if (size == 0) return;
    buffer_.resize(size);
    if (!version::GetFileVersionInfo(path.c_str(), 0, size, buffer_.data())) {
        buffer_.clear();
        return;
    }
    data_ = buffer_.data();
    size_ = size;
    Parse();
}

void VersionInfo::Parse() {
    if (data_ == nullptr || size_ == 0) return;
    void* block = const_cast<BYTE*>(data_);
    void* answer = nullptr;
    UINT length = 0;
    if (version::VerQueryValue(block, L"\\", &answer, &length) && answer != nullptr && length >= sizeof(VS_FIXEDFILEINFO))
        fixedInfo_ = static_cast<const VS_FIXEDFILEINFO*>(answer);
    if (version::VerQueryValue(block, L"\\VarFileInfo\\Translation", &answer, &length) && answer != nullptr) {
        const WORD* pairs = static_cast<const WORD*>(answer);
        for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
            if (pairs[i + 1] != kUnicodeCodePage) continue;
            wchar_t name[9];
            std::swprintf(name, 9, L"%04hx%04hx", pairs[i], pairs[i + 1]);
            translations_.emplace_back(name);
        }
    }
}

std::uint64_t VersionInfo::VersionNumber() const {
    if (fixedInfo_ == nullptr) return 0;
    return static_cast<std::uint64_t>(fixedInfo_->dwFileVersionMS) << 32 | fixedInfo_->dwFileVersionLS;
}

std::uint32_t VersionInfo::FileFlags() const {
    return fixedInfo_ != nullptr ? (fixedInfo_->dwFileFlags & fixedInfo_->dwFileFlagsMask) : 0;
}

std::wstring VersionInfo::StringValue(const wchar_t* name) const {
    if (translations_.empty()) return {};
    const std::wstring path = L"\\StringFileInfo\\" + translations_.front() + L"\\" + name;
    void* answer = nullptr;
    UINT length = 0;
    if (!version::VerQueryValue(const_cast<BYTE*>(data_), path.c_str(), &answer, &length) || answer == nullptr || length == 0)
        return {};
    std::wstring text(static_cast<const wchar_t*>(answer), length);
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::wstring VersionInfo::ProductTitle() const {
    // The German marker comes from whichever version information is titled first in the process.
    static const bool germanMarker = StringValue(L"SpecialBuild") == product::kGermanName;
    TitleSource source{ProductName(), ProductVersion(), FileFlags()};
    return ProductTitleFrom(source, kProductNumber, germanMarker, CurrentLanguage());
}

}  // namespace sv
