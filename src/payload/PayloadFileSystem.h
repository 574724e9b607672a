// The seam between the portable payload reader and the platform: how an entry's file is opened,
// written and read back, where the special folders are, and how folders are compared and shared.
// Win32FileSystem is the installer's; NativeFileSystem serves host tools and native tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "payload/FileIdentity.h"
#include "payload/Utf16.h"

namespace sv {

// Shell folder identifiers (CSIDL values) used by the destination placeholders.
namespace csidl {
inline constexpr int kPersonal = 5;
inline constexpr int kDesktopDirectory = 16;
inline constexpr int kCommonDesktopDirectory = 25;
inline constexpr int kAppData = 26;
inline constexpr int kCommonAppData = 35;
inline constexpr int kWindows = 36;
inline constexpr int kSystem = 37;
inline constexpr int kProgramFiles = 38;
inline constexpr int kProgramFilesCommon = 43;
inline constexpr int kCommonDocuments = 46;
}  // namespace csidl

// How reading a file back ended.
enum class ReadOutcome {
    complete,           // read up to its end without error
    sharing_violation,  // another process holds the file
    failed,             // cannot be opened or read
};

class OutputFile {
public:
    virtual ~OutputFile() = default;  // closes, ignoring errors
    // Both raise std::ios_base::failure when the platform reports an error.
    virtual void Write(const char* data, std::size_t size) = 0;
    virtual void Close() = 0;
    // The identity of the file being written, read from the handle it is written through; nullopt
    // where the back-end cannot tell.
    virtual std::optional<FileIdentity> Identity() const { return std::nullopt; }
};

// What a path names, looked at without following a link at its last element.
struct PathFacts {
    bool exists = false;
    bool directory = false;
    // A junction, mount point or symbolic link (also when the facts could not be read fully: what
    // cannot be inspected counts as a link).
    bool reparsePoint = false;
    std::uint32_t linkCount = 0;  // hard links of a file
};

class PayloadFileSystem {
public:
    using BlockSink = std::function<void(const char* data, std::size_t size)>;

    virtual ~PayloadFileSystem() = default;

    // Makes path ready to be written: clears the read-only attribute of an existing file (of the
    // target, for a symbolic link); when nothing exists there, creates the missing folders above
    // it. A folder that cannot be created raises std::filesystem::filesystem_error naming
    // "create_directories", the folder and the platform's error code.
    virtual void PrepareDestination(const Utf16String& path) = 0;

    // Creates or truncates path for binary writing, shared with no other process.
    // Raises std::ios_base::failure when it cannot be opened.
    virtual std::unique_ptr<OutputFile> CreateOutputFile(const Utf16String& path) = 0;

    // Reads path in blocks of 4096 bytes, sharing only read access, handing each block to sink.
    virtual ReadOutcome ReadBlocks(const Utf16String& path, const BlockSink& sink) = 0;

    // The pause before reading a file again after a sharing violation (one second).
    virtual void PauseBeforeRetry() = 0;

    // The current path of a shell folder, or empty when the platform has none.
    virtual Utf16String ShellFolder(int csidl) = 0;

    virtual bool IsFolder(const Utf16String& path) = 0;

    // Whether two existing paths are the same object (volume and file identity); nullopt when the
    // identity of either cannot be read.
    virtual std::optional<bool> SameIdentity(const Utf16String& a, const Utf16String& b) = 0;

    // Both made absolute, then compared element by element, ignoring case.
    virtual bool SameAbsolutePath(const Utf16String& a, const Utf16String& b) = 0;

    // The identity that SameIdentity compares; nullopt when it cannot be read.
    virtual std::optional<FileIdentity> Identity(const Utf16String& path) = 0;

    // path made absolute, its elements case-folded and joined: equal keys for the paths that
    // SameAbsolutePath takes as the same (used to index folders); empty when it cannot be made.
    virtual Utf16String AbsolutePathKey(const Utf16String& path) = 0;

    // Opens a shared folder to the machine's users: full access to what it holds, and on the
    // folder itself read, list, traverse and adding files and folders (never deleting, renaming or
    // changing its owner or access list). Failures are not reported.
    virtual void GrantUsersFullAccess(const Utf16String& folder) = 0;

    // What path names, without following a link there.
    virtual PathFacts Inspect(const Utf16String& path) = 0;
};

}  // namespace sv
