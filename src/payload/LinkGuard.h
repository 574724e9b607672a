// Keeps the installation from following links below the folders that the machine's users can
// write (the shared folders, the samples folder, the user-data folder): a user may have replaced a
// folder there by a junction or a symbolic link to a folder of the system, or a file by a hard or
// symbolic link to a file of the system, so that the elevated installer writes, grants or deletes
// there on the user's behalf.
//
// Each such folder is registered with its trusted root, the system folder that its placeholder
// names (for example C:\ProgramData for <CommonData>). Before anything is created, written,
// granted, backed up, restored or deleted below it, every existing path element between the
// trusted root and the object itself is inspected without following links: a reparse point (a
// junction, a mount point or a symbolic link) is refused, and so is a file with more than one
// hard link. This run never creates reparse points, so every reparse point found there is
// somebody else's.
#pragma once

#include <unordered_map>
#include <vector>

#include "payload/PayloadFileSystem.h"

namespace sv {

// ERROR_REPARSE_POINT_ENCOUNTERED (MinGW's headers lack the name); shown as "1:0000112B".
inline constexpr int kReparsePointEncountered = 4395;

class LinkGuard {
public:
    explicit LinkGuard(PayloadFileSystem& fileSystem) : fileSystem_(fileSystem) {}
    LinkGuard(const LinkGuard&) = delete;
    LinkGuard& operator=(const LinkGuard&) = delete;

    // folder (a users-writable folder, the trusted root itself excluded) lies below trustedRoot;
    // shared: one of the folders that the installation opens to all users (not the installing
    // user's own data folder).
    void AddUsersWritableFolder(const Utf16String& trustedRoot, const Utf16String& folder, bool shared);

    // The trusted root of the users-writable folder that holds path (or is path), or empty when
    // path lies in none of them. Compared element by element, ignoring the case of ASCII letters.
    Utf16String TrustedRootOf(Utf16View path) const;

    // Whether path lies in (or is) a shared folder.
    bool InSharedFolder(Utf16View path) const;

    // Raises std::filesystem::filesystem_error naming "link_guard", path and
    // kReparsePointEncountered (system category) when an element of path below its trusted root is
    // a reparse point or path is a file with more than one link. Paths outside the users-writable
    // folders pass unchecked.
    void Check(const Utf16String& path) const;

    // Check's answer as a flag: false when Check would raise.
    bool Allows(const Utf16String& path) const noexcept;

private:
    struct Guarded {
        Utf16String trustedRoot;
        Utf16String folder;
        bool shared;
    };
    // The registered folder that is path or holds it, registered first; nullptr when none. With
    // shared, only shared folders count.
    const Guarded* Holder(Utf16View path, bool shared) const;

    std::vector<Guarded> guarded_;
    // Each registered folder's elements, ASCII letters in lower case, joined by '\\': an index
    // into guarded_, so that registering and looking up cost the path's depth, not the number
    // of folders (a payload may name thousands).
    std::unordered_map<Utf16String, std::size_t> byKey_;
    PayloadFileSystem& fileSystem_;
};

}  // namespace sv
