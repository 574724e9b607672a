#include "payload/Win32FileSystem.h"

#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <ios>
#include <system_error>
#include <vector>

#include "payload/OwnerWindow.h"
#include "payload/PathText.h"
#include "platform/AccessControl.h"
#include "platform/UniqueHandle.h"

namespace sv {
namespace {

class Win32OutputFile : public OutputFile {
public:
    explicit Win32OutputFile(UniqueFileHandle file) : file_(std::move(file)) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (::GetFileInformationByHandle(file_.get(), &info)) {
            identity_ = FileIdentity{info.dwVolumeSerialNumber,
                                     (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
        }
    }
    std::optional<FileIdentity> Identity() const override { return identity_; }
    void Write(const char* data, std::size_t size) override {
        while (size > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
            DWORD written = 0;
            if (!file_ || !::WriteFile(file_.get(), data, chunk, &written, nullptr) || written == 0) {
                throw std::ios_base::failure("cannot write the file");
            }
            data += written;
            size -= written;
        }
    }
    void Close() override {
        if (!::CloseHandle(file_.release())) throw std::ios_base::failure("cannot close the file");
    }

private:
    UniqueFileHandle file_;
    std::optional<FileIdentity> identity_;
};

// Clears the read-only attribute of the file a symbolic link points to.
void ClearTargetReadOnly(const std::wstring& link) {
    UniqueFileHandle target(::CreateFileW(link.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_BASIC_INFO info{};
    if (target && ::GetFileInformationByHandleEx(target.get(), FileBasicInfo, &info, sizeof info) &&
        (info.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        info.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
        if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        ::SetFileInformationByHandle(target.get(), FileBasicInfo, &info, sizeof info);
    }
}

// Creates folder and its missing ancestors.
void CreateFolders(const std::wstring& folder) {
    std::vector<std::wstring> missing;
    for (std::wstring current = folder; ::GetFileAttributesW(current.c_str()) == INVALID_FILE_ATTRIBUTES;) {
        missing.push_back(current);
        std::wstring parent = path_text::Parent(current);
        if (parent.empty() || parent.size() >= current.size()) break;
        current = std::move(parent);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::CreateDirectoryW(it->c_str(), nullptr)) continue;
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(it->c_str());
        if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            continue;  // created meanwhile
        }
        throw std::filesystem::filesystem_error("create_directories", std::filesystem::path(folder),
                                                std::error_code(static_cast<int>(error), std::system_category()));
    }
}

std::optional<BY_HANDLE_FILE_INFORMATION> FileInformation(const std::wstring& path) {
    UniqueFileHandle handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    return info;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(length < needed ? length : 0);
    return full;
}

}  // namespace

Win32FileSystem::Win32FileSystem() : grant_(&SecureSharedFolder) {}

void Win32FileSystem::PrepareDestination(const Utf16String& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            ClearTargetReadOnly(path);
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_READONLY)) {
            const DWORD cleared = attributes & ~FILE_ATTRIBUTE_READONLY;
            ::SetFileAttributesW(path.c_str(), cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
        }
        return;
    }
    const std::wstring parent = path_text::Parent(path);
    if (!parent.empty()) CreateFolders(parent);
}

std::unique_ptr<OutputFile> Win32FileSystem::CreateOutputFile(const Utf16String& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0 /* no sharing */, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::ios_base::failure("cannot open the file for writing");
    auto output = std::make_unique<Win32OutputFile>(std::move(file));
    if (createdFileListener_) {
        if (const auto identity = output->Identity()) createdFileListener_(path, *identity);
    }
    return output;
}

ReadOutcome Win32FileSystem::ReadBlocks(const Utf16String& path, const BlockSink& sink) {
    const auto outcome = [] {
        return ::GetLastError() == ERROR_SHARING_VIOLATION ? ReadOutcome::sharing_violation : ReadOutcome::failed;
    };
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return outcome();
    char block[4096];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), block, sizeof block, &read, nullptr)) return outcome();
        if (read == 0) return ReadOutcome::complete;
        sink(block, read);
    }
}

void Win32FileSystem::PauseBeforeRetry() {
    constexpr DWORD kRetryPause = 1000;
    if (pause_) {
        pause_(kRetryPause);
    } else {
        ::Sleep(kRetryPause);
    }
}

Utf16String Win32FileSystem::ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(OwnerWindow(), csidl, nullptr, SHGFP_TYPE_CURRENT, path);  // an empty buffer is the answer
    return path;
}

bool Win32FileSystem::IsFolder(const Utf16String& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<bool> Win32FileSystem::SameIdentity(const Utf16String& a, const Utf16String& b) {
    const auto first = Identity(a);
    if (!first) return std::nullopt;
    const auto second = Identity(b);
    if (!second) return std::nullopt;
    return *first == *second;
}

std::optional<FileIdentity> Win32FileSystem::Identity(const Utf16String& path) {
    const auto info = FileInformation(path);
    if (!info) return std::nullopt;
    return FileIdentity{info->dwVolumeSerialNumber,
                        (std::uint64_t{info->nFileIndexHigh} << 32) | info->nFileIndexLow};
}

Utf16String Win32FileSystem::AbsolutePathKey(const Utf16String& path) {
    // Upper case of the user's locale: what CompareStringW with NORM_IGNORECASE takes as equal.
    std::wstring key;
    for (auto element : path_text::Elements(FullPath(path))) {
        if (!element.empty()) {
            ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, element.c_str(), static_cast<int>(element.size()),
                           element.data(), static_cast<int>(element.size()));
        }
        key += L'\\';
        key += element;
    }
    return key;
}

bool Win32FileSystem::SameAbsolutePath(const Utf16String& a, const Utf16String& b) {
    const auto elementsA = path_text::Elements(FullPath(a));
    const auto elementsB = path_text::Elements(FullPath(b));
    if (elementsA.empty() || elementsA.size() != elementsB.size()) return false;
    for (std::size_t i = 0; i < elementsA.size(); ++i) {
        const auto& x = elementsA[i];
        const auto& y = elementsB[i];
        if (x.size() != y.size() ||
            ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x.c_str(), static_cast<int>(x.size()), y.c_str(),
                             static_cast<int>(y.size())) != CSTR_EQUAL) {
            return false;
        }
    }
    return true;
}

void Win32FileSystem::GrantUsersFullAccess(const Utf16String& folder) {
    if (grant_) grant_(folder);
}

PathFacts Win32FileSystem::Inspect(const Utf16String& path) {
    PathFacts facts;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return facts;
        facts.exists = facts.reparsePoint = true;  // there, but not to be inspected: refused
        return facts;
    }
    facts.exists = true;
    facts.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    UniqueFileHandle handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                          nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) {
        facts.reparsePoint = true;
        return facts;
    }
    facts.reparsePoint = facts.reparsePoint || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.linkCount = info.nNumberOfLinks;
    return facts;
}

}  // namespace sv
