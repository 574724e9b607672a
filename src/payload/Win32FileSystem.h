// The payload reader's file back-end on the Win32 API: the installer's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "payload/PayloadFileSystem.h"

namespace sv {

class Win32FileSystem : public PayloadFileSystem {
public:
    // How a shared folder is opened to the users group: GrantUsersAccess's signature.
    using UsersAccessGrant = std::function<bool(const std::wstring& path, DWORD access, DWORD inheritance)>;

    Win32FileSystem();  // grants through sv::GrantUsersAccess
    explicit Win32FileSystem(UsersAccessGrant grant) : grant_(std::move(grant)) {}

    void PrepareDestination(const Utf16String& path) override;
    std::unique_ptr<OutputFile> CreateOutputFile(const Utf16String& path) override;
    ReadOutcome ReadBlocks(const Utf16String& path, const BlockSink& sink) override;
    void PauseBeforeRetry() override;
    Utf16String ShellFolder(int csidl) override;
    bool IsFolder(const Utf16String& path) override;
    std::optional<bool> SameIdentity(const Utf16String& a, const Utf16String& b) override;
    bool SameAbsolutePath(const Utf16String& a, const Utf16String& b) override;
    std::optional<FileIdentity> Identity(const Utf16String& path) override;
    Utf16String AbsolutePathKey(const Utf16String& path) override;
    void GrantUsersFullAccess(const Utf16String& folder) override;

private:
    UsersAccessGrant grant_;
};

}  // namespace sv
