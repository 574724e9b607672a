// The payload reader's file back-end on the Win32 API: the installer's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "payload/PayloadFileSystem.h"

namespace sv {

class Win32FileSystem : public PayloadFileSystem {
public:
    // How a shared folder is opened to the users group: SecureSharedFolder's signature.
    using SharedFolderGrant = std::function<bool(const std::wstring& folder)>;
    // Told of every file created for writing, with the identity read from its handle.
    using CreatedFileListener = std::function<void(const std::wstring& path, const FileIdentity& identity)>;

    Win32FileSystem();  // grants through sv::SecureSharedFolder
    explicit Win32FileSystem(SharedFolderGrant grant) : grant_(std::move(grant)) {}

    void SetCreatedFileListener(CreatedFileListener listener) { createdFileListener_ = std::move(listener); }

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
    PathFacts Inspect(const Utf16String& path) override;

    // How PauseBeforeRetry waits its second (the installer pumps its window's messages meanwhile);
    // Sleep when none is given.
    using Pause = std::function<void(DWORD milliseconds)>;
    void SetPause(Pause pause) { pause_ = std::move(pause); }

private:
    SharedFolderGrant grant_;
    CreatedFileListener createdFileListener_;
    Pause pause_;
};

}  // namespace sv
