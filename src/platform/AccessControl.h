// Access-control helpers: membership of the administrators group, opening an object to the
// machine's users group, switching a privilege, and the "everybody may use it" descriptor of the
// named instance objects.
//
// Every security function is reached through the late-binding resolver (AdvapiResolver.h).
// IsAdministrator, GrantUsersAccess and SetPrivilege catch every HResultError and answer
// true/false; the building blocks below raise HResultError to their caller.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/HResultError.h"
#include "platform/UniqueHandle.h"

namespace sv {

// True when the calling thread's user is an effective member of the administrators group
// (CheckTokenMembership; when that fails, an access check against an administrators-only
// descriptor).
bool IsAdministrator() noexcept;

// Replaces whatever the object's own DACL says about the users group (S-1-5-32-545) by one
// access-allowed entry with the given mask and ACE inheritance flags, keeping every other entry
// and its order, and stores the DACL on the file or folder. True when stored.
bool GrantUsersAccess(const std::wstring& path, DWORD access, DWORD inheritance) noexcept;

// Enables or disables a privilege of the process token ("SeBackupPrivilege", ...). True when the
// privilege was changed as asked; false for an unknown privilege or one the token does not hold.
bool SetPrivilege(const wchar_t* name, bool enable) noexcept;

// ---- building blocks (raise HResultError) ---------------------------------------------------------

enum class WellKnownGroup {
    Everyone,          // S-1-1-0
    Administrators,    // S-1-5-32-544
    Users,             // S-1-5-32-545
    LocalSystem,       // S-1-5-18
    TrustedInstaller,  // S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464
};

// Owns one security identifier of a well-known group. It is allocated by the platform
// (AllocateAndInitializeSid, freed with FreeSid) or, where the platform lacks that function, laid
// out by this program in a block of its own.
class WellKnownSid {
public:
    explicit WellKnownSid(WellKnownGroup group);
    WellKnownSid(WellKnownSid&& other) noexcept;
    WellKnownSid& operator=(WellKnownSid&& other) noexcept;
    WellKnownSid(const WellKnownSid&) = delete;
    WellKnownSid& operator=(const WellKnownSid&) = delete;
    ~WellKnownSid();

    PSID get() const noexcept { return sid_; }
    DWORD length() const;  // GetLengthSid

private:
    void free() noexcept;

    PSID sid_ = nullptr;
    bool ownBlock_ = false;  // true: laid out by this program; false: FreeSid
};

// Byte length of a valid identifier; E_INVALIDARG when it is not valid.
DWORD SidLength(PSID sid);
// Whether two valid identifiers are equal; E_INVALIDARG when either is not valid.
bool SidsEqual(PSID a, PSID b);

// An owned, zeroed block holding an access list of revision 2 (ACL_REVISION).
class AclBuffer {
public:
    explicit AclBuffer(DWORD bytes);  // E_OUTOFMEMORY when the block cannot be allocated

    PACL get() const noexcept { return reinterpret_cast<PACL>(block_.get()); }
    DWORD size() const noexcept { return size_; }

private:
    std::unique_ptr<std::byte[]> block_;
    DWORD size_;
};

// Bytes an ACCESS_ALLOWED_ACE / ACCESS_DENIED_ACE takes before its identifier (header and mask).
inline constexpr DWORD kAceFixedPart = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);

// An access list with one access-allowed entry (no inheritance flags) for Everyone.
AclBuffer EveryoneDacl(DWORD access);

// An owned absolute security descriptor (revision 1). The DACL, owner and group attached to it stay
// owned by the caller and must outlive it.
class SecurityDescriptor {
public:
    SecurityDescriptor();

    void SetDacl(PACL dacl);    // present, not defaulted
    void SetOwner(PSID owner);  // not defaulted
    void SetGroup(PSID group);  // not defaulted

    PSECURITY_DESCRIPTOR get() const noexcept { return block_.get(); }

private:
    std::unique_ptr<std::byte[]> block_;
};

// Security attributes (not inheritable) whose DACL lets everybody use an object with the given
// access, as the named instance objects need. Neither copied nor moved: it points into itself.
class EveryoneSecurityAttributes {
public:
    explicit EveryoneSecurityAttributes(DWORD access);
    EveryoneSecurityAttributes(const EveryoneSecurityAttributes&) = delete;
    EveryoneSecurityAttributes& operator=(const EveryoneSecurityAttributes&) = delete;

    SECURITY_ATTRIBUTES* get() noexcept { return &attributes_; }

private:
    AclBuffer dacl_;
    SecurityDescriptor descriptor_;
    SECURITY_ATTRIBUTES attributes_;
};

// ERROR_REPARSE_POINT_ENCOUNTERED, which MinGW's headers lack.
inline constexpr DWORD kErrorReparsePointEncountered = 4395;

// ---- the folders and files that users share ---------------------------------------------------------

// The users' access on a shared folder itself: read, list, traverse, add files and sub-folders; not
// delete, rename, write attributes, or change the owner or the access list.
inline constexpr DWORD kSharedFolderOwnAccess =
    FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY;  // 0x1200AF
// Read and execute, as Program Files gives its children to the users group.
inline constexpr DWORD kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;  // 0x1200A9
inline constexpr DWORD kFilesAndFoldersInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// The protected DACL that Program Files gives a folder created in it: Administrators and SYSTEM
// full control, Users read and execute, each inherited by files and sub-folders. Stored on an
// installation folder that the installer creates elsewhere (below C:\ users may otherwise write
// there, and the installer runs the program it installs elevated).
class ProgramFilesChildDescriptor {
public:
    ProgramFilesChildDescriptor();
    ProgramFilesChildDescriptor(const ProgramFilesChildDescriptor&) = delete;
    ProgramFilesChildDescriptor& operator=(const ProgramFilesChildDescriptor&) = delete;

    PSECURITY_DESCRIPTOR get() const noexcept { return descriptor_.get(); }
    PACL dacl() const noexcept { return dacl_.get(); }

private:
    WellKnownSid administrators_, system_, users_;
    AclBuffer dacl_;
    SecurityDescriptor descriptor_;
};

// Whether an owner is one the machine's users cannot be: Administrators, SYSTEM or TrustedInstaller.
bool IsTrustedOwner(PSID owner);

// The descriptor stored on a shared folder, built from the folder's old descriptor (owner and DACL
// read). The DACL is protected: nothing the parent says reaches the folder, so that full access
// inherited from a shared parent cannot make the folder itself deletable. It holds the old
// explicit entries in their order, except those of Users, Administrators and SYSTEM; then
// Administrators and SYSTEM full control (inherited by files and sub-folders); then two entries for
// Users: full control inherited by what the folder holds (inherit-only) and kSharedFolderOwnAccess
// on the folder alone. When the old owner is not trusted (a user created the folder in advance),
// no old entry is kept and the owner becomes Administrators (takesOwnership()).
class SharedFolderDescriptor {
public:
    explicit SharedFolderDescriptor(PSECURITY_DESCRIPTOR oldDescriptor);
    SharedFolderDescriptor(const SharedFolderDescriptor&) = delete;
    SharedFolderDescriptor& operator=(const SharedFolderDescriptor&) = delete;

    PSECURITY_DESCRIPTOR get() const noexcept { return descriptor_.get(); }
    PACL dacl() const noexcept { return dacl_.get(); }
    bool takesOwnership() const noexcept { return takesOwnership_; }

private:
    WellKnownSid administrators_, system_, users_;
    bool takesOwnership_;
    AclBuffer dacl_;
    SecurityDescriptor descriptor_;
};

// Opens path without following a link (FILE_FLAG_OPEN_REPARSE_POINT) and checks the handle: a
// reparse point, an object of the other kind (folder or file), or a file with more than one hard
// link is refused (an empty handle, last error ERROR_REPARSE_POINT_ENCOUNTERED). The name is
// looked at too, since some systems (Wine) report a link's reparse attribute only there.
UniqueFileHandle OpenUnfollowed(const std::wstring& path, DWORD access, bool folder);

// Stores a SharedFolderDescriptor on a shared folder through a checked handle (OpenUnfollowed).
// True when stored.
bool SecureSharedFolder(const std::wstring& folder) noexcept;

// GrantUsersAccess's entry (no inheritance) stored on a file through a checked handle
// (OpenUnfollowed); never by name. True when stored.
bool GrantUsersFileAccess(const std::wstring& file, DWORD access) noexcept;

// ---- the steps of IsAdministrator and GrantUsersAccess, open to tests ------------------------------

// IsAdministrator's second method: impersonate the process on this thread and run an access check
// of the thread's token against a descriptor that grants access to administrators only.
bool IsAdministratorByAccessCheck() noexcept;

// The descriptor GrantUsersAccess stores: built from the object's old security descriptor (absolute
// or self-relative, only its DACL and control bits are read). The new DACL holds the old entries in
// their order without any entry for the users group, and one access-allowed entry for the users
// group after the explicit entries that precede the first inherited entry. The old DACL's
// auto-inherited state (or else its protection) is carried over.
class UsersAccessDescriptor {
public:
    UsersAccessDescriptor(PSECURITY_DESCRIPTOR oldDescriptor, DWORD access, DWORD inheritance);
    UsersAccessDescriptor(const UsersAccessDescriptor&) = delete;
    UsersAccessDescriptor& operator=(const UsersAccessDescriptor&) = delete;

    PSECURITY_DESCRIPTOR get() const noexcept { return descriptor_.get(); }
    PACL dacl() const noexcept { return dacl_.get(); }

private:
    struct OldDacl {
        PACL acl;          // null when absent or null: no entries
        DWORD count;       // entries
        DWORD bytesInUse;  // sizeof(ACL) without a DACL
    };
    static OldDacl ReadOldDacl(PSECURITY_DESCRIPTOR oldDescriptor);
    UsersAccessDescriptor(PSECURITY_DESCRIPTOR oldDescriptor, const OldDacl& old, DWORD access,
                          DWORD inheritance);

    WellKnownSid users_;
    AclBuffer dacl_;
    SecurityDescriptor descriptor_;
};

}  // namespace sv
