// The payload reader's file back-end on the C++ standard library, for host tools and native tests.
// Differences from the Windows back-end: files cannot be locked against other processes, so the
// output file is not exclusive and reads never meet a sharing violation; the users' access grant
// does nothing; shell folders are whatever the caller maps.
#pragma once

#include <filesystem>
#include <map>

#include "payload/PayloadFileSystem.h"

namespace sv {

std::filesystem::path ToFsPath(Utf16View path);
Utf16String FromFsPath(const std::filesystem::path& path);

class NativeFileSystem : public PayloadFileSystem {
public:
    NativeFileSystem() = default;
    explicit NativeFileSystem(std::map<int, Utf16String> shellFolders) : shellFolders_(std::move(shellFolders)) {}

    void PrepareDestination(const Utf16String& path) override;
    std::unique_ptr<OutputFile> CreateOutputFile(const Utf16String& path) override;
    ReadOutcome ReadBlocks(const Utf16String& path, const BlockSink& sink) override;
    void PauseBeforeRetry() override;
    Utf16String ShellFolder(int csidl) override;
    bool IsFolder(const Utf16String& path) override;
    std::optional<bool> SameIdentity(const Utf16String& a, const Utf16String& b) override;
    bool SameAbsolutePath(const Utf16String& a, const Utf16String& b) override;
    std::optional<FileIdentity> Identity(const Utf16String& path) override;  // none on Windows
    Utf16String AbsolutePathKey(const Utf16String& path) override;
    void GrantUsersFullAccess(const Utf16String& folder) override;
    PathFacts Inspect(const Utf16String& path) override;

    void SetShellFolder(int csidl, Utf16String path) { shellFolders_[csidl] = std::move(path); }

private:
    std::map<int, Utf16String> shellFolders_;
};

}  // namespace sv
