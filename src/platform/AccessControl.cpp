#include "platform/AccessControl.h"

#include <cstring>
#include <new>
#include <utility>

#include "platform/AdvapiResolver.h"
#include "platform/UniqueHandle.h"

namespace sv {
namespace {

using advapi::Call;
using advapi::Fn;
using advapi::Get;

// Authority and sub-authorities of a well-known group.
struct GroupLayout {
    SID_IDENTIFIER_AUTHORITY authority;
    BYTE count;
    DWORD subAuthorities[6];
};

GroupLayout LayoutOf(WellKnownGroup group) {
    switch (group) {
        case WellKnownGroup::Everyone:
            return {SECURITY_WORLD_SID_AUTHORITY, 1, {SECURITY_WORLD_RID, 0}};
        case WellKnownGroup::Administrators:
            return {SECURITY_NT_AUTHORITY, 2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
        case WellKnownGroup::LocalSystem:
            return {SECURITY_NT_AUTHORITY, 1, {SECURITY_LOCAL_SYSTEM_RID}};
        case WellKnownGroup::TrustedInstaller:
            return {SECURITY_NT_AUTHORITY, 6, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}};
        case WellKnownGroup::Users:
            break;
    }
    return {SECURITY_NT_AUTHORITY, 2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}};
}

std::unique_ptr<std::byte[]> ZeroedBlock(std::size_t bytes) {
    std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[bytes]());
    if (!block) RaiseHResult(E_OUTOFMEMORY);
    return block;
}

// The access mask the access-check method asks for and the generic mapping it uses.
constexpr DWORD kAccessRead = 1;
constexpr DWORD kAccessWrite = 2;
constexpr DWORD kAccessAll = kAccessRead | kAccessWrite;

// The identifier of an allowed or denied entry: the field behind its header and mask.
PSID AceSid(ACE_HEADER* ace) {
    return reinterpret_cast<std::byte*>(ace) + kAceFixedPart;
}

}  // namespace

// ---- WellKnownSid --------------------------------------------------------------------------------

WellKnownSid::WellKnownSid(WellKnownGroup group) {
    const GroupLayout layout = LayoutOf(group);
    SID_IDENTIFIER_AUTHORITY authority = layout.authority;
    if (const auto allocate = advapi::TryGet<Fn::AllocateAndInitializeSid>()) {
        const DWORD* rid = layout.subAuthorities;
        if (!allocate(&authority, layout.count, rid[0], rid[1], rid[2], rid[3], rid[4], rid[5], 0, 0, &sid_))
            RaiseLastError();
        return;
    }
    // No platform allocator: lay the identifier out here (revision, count, authority, RIDs).
    const std::size_t bytes = offsetof(SID, SubAuthority) + layout.count * sizeof(DWORD);
    SID* sid = reinterpret_cast<SID*>(new (std::nothrow) std::byte[bytes]());
    if (!sid) RaiseHResult(E_OUTOFMEMORY);
    sid->Revision = SID_REVISION;
    sid->SubAuthorityCount = layout.count;
    sid->IdentifierAuthority = layout.authority;
    for (BYTE i = 0; i < layout.count; ++i) sid->SubAuthority[i] = layout.subAuthorities[i];
    sid_ = sid;
    ownBlock_ = true;
}

WellKnownSid::WellKnownSid(WellKnownSid&& other) noexcept
    : sid_(std::exchange(other.sid_, nullptr)), ownBlock_(other.ownBlock_) {}

WellKnownSid& WellKnownSid::operator=(WellKnownSid&& other) noexcept {
    if (this != &other) {
        free();
        sid_ = std::exchange(other.sid_, nullptr);
        ownBlock_ = other.ownBlock_;
    }
    return *this;
}

WellKnownSid::~WellKnownSid() {
    free();
}

void WellKnownSid::free() noexcept {
    if (!sid_) return;
    if (ownBlock_) {
        delete[] reinterpret_cast<std::byte*>(sid_);
    } else {
        // FreeSid was resolved with AllocateAndInitializeSid's library; a failure here has no one
        // to report to.
        try {
            Get<Fn::FreeSid>()(sid_);
        } catch (const HResultError&) {
        }
    }
    sid_ = nullptr;
}

DWORD WellKnownSid::length() const {
    return SidLength(sid_);
}

DWORD SidLength(PSID sid) {
    if (!Get<Fn::IsValidSid>()(sid)) RaiseHResult(E_INVALIDARG);
    return Get<Fn::GetLengthSid>()(sid);
}

bool SidsEqual(PSID a, PSID b) {
    const auto isValid = Get<Fn::IsValidSid>();
    if (!isValid(a) || !isValid(b)) RaiseHResult(E_INVALIDARG);
    return Get<Fn::EqualSid>()(a, b) != FALSE;
}

// ---- AclBuffer, EveryoneDacl, SecurityDescriptor --------------------------------------------------

AclBuffer::AclBuffer(DWORD bytes) : block_(ZeroedBlock(bytes)), size_(bytes) {
    Call<Fn::InitializeAcl>(get(), size_, static_cast<DWORD>(ACL_REVISION));
}

AclBuffer EveryoneDacl(DWORD access) {
    const WellKnownSid everyone(WellKnownGroup::Everyone);
    AclBuffer dacl(sizeof(ACL) + kAceFixedPart + everyone.length());
    Call<Fn::AddAccessAllowedAce>(dacl.get(), static_cast<DWORD>(ACL_REVISION), access, everyone.get());
    return dacl;
}

SecurityDescriptor::SecurityDescriptor() : block_(ZeroedBlock(SECURITY_DESCRIPTOR_MIN_LENGTH)) {
    Call<Fn::InitializeSecurityDescriptor>(get(), static_cast<DWORD>(SECURITY_DESCRIPTOR_REVISION));
}

void SecurityDescriptor::SetDacl(PACL dacl) {
    Call<Fn::SetSecurityDescriptorDacl>(get(), TRUE, dacl, FALSE);
}

void SecurityDescriptor::SetOwner(PSID owner) {
    Call<Fn::SetSecurityDescriptorOwner>(get(), owner, FALSE);
}

void SecurityDescriptor::SetGroup(PSID group) {
    Call<Fn::SetSecurityDescriptorGroup>(get(), group, FALSE);
}

EveryoneSecurityAttributes::EveryoneSecurityAttributes(DWORD access)
    : dacl_(EveryoneDacl(access)), attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE} {
    descriptor_.SetDacl(dacl_.get());
    attributes_.lpSecurityDescriptor = descriptor_.get();
}

// ---- IsAdministrator -----------------------------------------------------------------------------

bool IsAdministratorByAccessCheck() noexcept {
    bool impersonating = false;
    bool granted = false;
    try {
        Call<Fn::ImpersonateSelf>(SecurityImpersonation);
        impersonating = true;

        UniqueHandle token;
        try {
            Call<Fn::OpenThreadToken>(::GetCurrentThread(), static_cast<DWORD>(TOKEN_QUERY), FALSE,
                                      token.put());
        } catch (const HResultError& error) {
            if (error.code() != HResultFromWin32(ERROR_NO_TOKEN)) throw;
            Call<Fn::OpenProcessToken>(::GetCurrentProcess(), static_cast<DWORD>(TOKEN_QUERY),
                                       token.put());
        }

        const WellKnownSid administrators(WellKnownGroup::Administrators);
        AclBuffer dacl(sizeof(ACL) + kAceFixedPart + administrators.length());
        Call<Fn::AddAccessAllowedAce>(dacl.get(), static_cast<DWORD>(ACL_REVISION), kAccessAll,
                                      administrators.get());
        SecurityDescriptor descriptor;
        descriptor.SetOwner(administrators.get());
        descriptor.SetGroup(administrators.get());
        descriptor.SetDacl(dacl.get());

        if (Get<Fn::IsValidSecurityDescriptor>()(descriptor.get())) {
            GENERIC_MAPPING mapping{kAccessRead, kAccessWrite, 0, kAccessAll};
            PRIVILEGE_SET privileges{};
            DWORD privilegesLength = sizeof(privileges);
            DWORD grantedAccess = 0;
            BOOL accessStatus = FALSE;
            Call<Fn::AccessCheck>(descriptor.get(), token.get(), kAccessRead, &mapping, &privileges,
                                  &privilegesLength, &grantedAccess, &accessStatus);
            granted = accessStatus != FALSE;
        }
    } catch (const HResultError&) {
        granted = false;
    }
    if (impersonating) {
        try {
            Call<Fn::RevertToSelf>();
        } catch (const HResultError&) {
        }
    }
    return granted;
}

bool IsAdministrator() noexcept {
    try {
        const WellKnownSid administrators(WellKnownGroup::Administrators);
        BOOL member = FALSE;
        Call<Fn::CheckTokenMembership>(nullptr, administrators.get(), &member);
        return member != FALSE;
    } catch (const HResultError&) {
        return IsAdministratorByAccessCheck();
    }
}

// ---- GrantUsersAccess ----------------------------------------------------------------------------

UsersAccessDescriptor::OldDacl UsersAccessDescriptor::ReadOldDacl(PSECURITY_DESCRIPTOR oldDescriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    Call<Fn::GetSecurityDescriptorDacl>(oldDescriptor, &present, &acl, &defaulted);
    if (!present || !acl) return {nullptr, 0, sizeof(ACL)};
    ACL_SIZE_INFORMATION size{};
    Call<Fn::GetAclInformation>(acl, &size, static_cast<DWORD>(sizeof(size)), AclSizeInformation);
    return {acl, size.AceCount, size.AclBytesInUse};
}

UsersAccessDescriptor::UsersAccessDescriptor(PSECURITY_DESCRIPTOR oldDescriptor, DWORD access,
                                             DWORD inheritance)
    : UsersAccessDescriptor(oldDescriptor, ReadOldDacl(oldDescriptor), access, inheritance) {}

UsersAccessDescriptor::UsersAccessDescriptor(PSECURITY_DESCRIPTOR oldDescriptor, const OldDacl& old,
                                             DWORD access, DWORD inheritance)
    : users_(WellKnownGroup::Users), dacl_(old.bytesInUse + kAceFixedPart + users_.length()) {
    const DWORD usersLength = users_.length();
    const auto addUsersEntry = [&] {
        const auto addEx = inheritance != 0 ? advapi::TryGet<Fn::AddAccessAllowedAceEx>() : nullptr;
        if (addEx) {
            if (!addEx(dacl_.get(), ACL_REVISION, inheritance, access, users_.get())) RaiseLastError();
        } else {
            Call<Fn::AddAccessAllowedAce>(dacl_.get(), static_cast<DWORD>(ACL_REVISION), access,
                                          users_.get());
        }
    };
    const auto isUsersEntry = [&](ACE_HEADER* ace) {
        return ace->AceSize >= kAceFixedPart + usersLength && SidsEqual(AceSid(ace), users_.get());
    };

    // Explicit entries up to the first inherited one, the users' entry, then the rest; every old
    // entry of the users group is left out, whatever its type.
    bool usersEntryAdded = false;
    for (DWORD i = 0; i < old.count; ++i) {
        void* entry = nullptr;
        Call<Fn::GetAce>(old.acl, i, &entry);
        ACE_HEADER* ace = static_cast<ACE_HEADER*>(entry);
        if (!usersEntryAdded && (ace->AceFlags & INHERITED_ACE)) {
            addUsersEntry();
            usersEntryAdded = true;
        }
        if (isUsersEntry(ace)) continue;
        Call<Fn::AddAce>(dacl_.get(), static_cast<DWORD>(ACL_REVISION), MAXDWORD, entry,
                         static_cast<DWORD>(ace->AceSize));
    }
    if (!usersEntryAdded) addUsersEntry();

    descriptor_.SetDacl(dacl_.get());

    // Inheritance state: auto-inherited stays auto-inherited (and must be re-applied by children);
    // otherwise a protected DACL stays protected. Skipped where the platform lacks the functions.
    const auto getControl = advapi::TryGet<Fn::GetSecurityDescriptorControl>();
    const auto setControl = advapi::TryGet<Fn::SetSecurityDescriptorControl>();
    if (getControl && setControl) {
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        if (!getControl(oldDescriptor, &control, &revision)) RaiseLastError();
        SECURITY_DESCRIPTOR_CONTROL carried = 0;
        if (control & SE_DACL_AUTO_INHERITED)
            carried = SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ;
        else if (control & SE_DACL_PROTECTED)
            carried = SE_DACL_PROTECTED;
        if (carried != 0 && !setControl(descriptor_.get(), carried, carried)) RaiseLastError();
    }
}

bool GrantUsersAccess(const std::wstring& path, DWORD access, DWORD inheritance) noexcept {
    try {
        // The object's descriptor, DACL only: ask for the size, then read it.
        const auto getFileSecurity = Get<Fn::GetFileSecurityW>();
        DWORD needed = 0;
        if (!getFileSecurity(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed) &&
            ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            RaiseLastError();
        const std::unique_ptr<std::byte[]> oldDescriptor = ZeroedBlock(needed);
        Call<Fn::GetFileSecurityW>(path.c_str(), static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION),
                                   oldDescriptor.get(), needed, &needed);

        const UsersAccessDescriptor descriptor(oldDescriptor.get(), access, inheritance);
        Call<Fn::SetFileSecurityW>(path.c_str(), static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION),
                                   descriptor.get());
        return true;
    } catch (const HResultError&) {
        return false;
    }
}

// ---- shared folders, installation folders, shared files ------------------------------------------

namespace {

void AddAllowed(PACL dacl, PSID sid, DWORD access, DWORD inheritance) {
    const auto addEx = advapi::TryGet<Fn::AddAccessAllowedAceEx>();
    if (addEx) {
        if (!addEx(dacl, ACL_REVISION, inheritance, access, sid)) RaiseLastError();
    } else if (inheritance == 0) {
        Call<Fn::AddAccessAllowedAce>(dacl, static_cast<DWORD>(ACL_REVISION), access, sid);
    } else {
        RaiseHResult(E_NOTIMPL);  // an inherited entry cannot be written without the Ex form
    }
}

void Protect(const SecurityDescriptor& descriptor) {
    Call<Fn::SetSecurityDescriptorControl>(descriptor.get(), static_cast<SECURITY_DESCRIPTOR_CONTROL>(SE_DACL_PROTECTED),
                                           static_cast<SECURITY_DESCRIPTOR_CONTROL>(SE_DACL_PROTECTED));
}

DWORD AllowedEntrySize(const WellKnownSid& sid) { return kAceFixedPart + sid.length(); }

PSID OwnerOf(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    Call<Fn::GetSecurityDescriptorOwner>(descriptor, &owner, &defaulted);
    return owner;
}

// A handle's security descriptor with the parts asked for.
std::unique_ptr<std::byte[]> HandleSecurity(HANDLE handle, SECURITY_INFORMATION parts) {
    const auto get = Get<Fn::GetKernelObjectSecurity>();
    DWORD needed = 0;
    if (!get(handle, parts, nullptr, 0, &needed) && ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) RaiseLastError();
    std::unique_ptr<std::byte[]> block = ZeroedBlock(needed);
    Call<Fn::GetKernelObjectSecurity>(handle, parts, static_cast<PSECURITY_DESCRIPTOR>(block.get()), needed, &needed);
    return block;
}

}  // namespace

ProgramFilesChildDescriptor::ProgramFilesChildDescriptor()
    : administrators_(WellKnownGroup::Administrators),
      system_(WellKnownGroup::LocalSystem),
      users_(WellKnownGroup::Users),
      dacl_(sizeof(ACL) + AllowedEntrySize(administrators_) + AllowedEntrySize(system_) + AllowedEntrySize(users_)) {
    AddAllowed(dacl_.get(), administrators_.get(), FILE_ALL_ACCESS, kFilesAndFoldersInherit);
    AddAllowed(dacl_.get(), system_.get(), FILE_ALL_ACCESS, kFilesAndFoldersInherit);
    AddAllowed(dacl_.get(), users_.get(), kReadAndExecute, kFilesAndFoldersInherit);
    descriptor_.SetDacl(dacl_.get());
    Protect(descriptor_);
}

bool IsTrustedOwner(PSID owner) {
    if (!owner || !Get<Fn::IsValidSid>()(owner)) return false;
    for (const WellKnownGroup group :
         {WellKnownGroup::Administrators, WellKnownGroup::LocalSystem, WellKnownGroup::TrustedInstaller}) {
        if (SidsEqual(owner, WellKnownSid(group).get())) return true;
    }
    return false;
}

SharedFolderDescriptor::SharedFolderDescriptor(PSECURITY_DESCRIPTOR oldDescriptor)
    : administrators_(WellKnownGroup::Administrators),
      system_(WellKnownGroup::LocalSystem),
      users_(WellKnownGroup::Users),
      takesOwnership_(!IsTrustedOwner(OwnerOf(oldDescriptor))),
      dacl_([&] {
          DWORD bytes = sizeof(ACL) + AllowedEntrySize(administrators_) + AllowedEntrySize(system_) +
                        2 * AllowedEntrySize(users_);
          BOOL present = FALSE, defaulted = FALSE;
          PACL old = nullptr;
          Call<Fn::GetSecurityDescriptorDacl>(oldDescriptor, &present, &old, &defaulted);
          if (present && old) {
              ACL_SIZE_INFORMATION size{};
              Call<Fn::GetAclInformation>(old, &size, static_cast<DWORD>(sizeof(size)), AclSizeInformation);
              bytes += size.AclBytesInUse;
          }
          return bytes;
      }()) {
    if (!takesOwnership_) {
        BOOL present = FALSE, defaulted = FALSE;
        PACL old = nullptr;
        Call<Fn::GetSecurityDescriptorDacl>(oldDescriptor, &present, &old, &defaulted);
        ACL_SIZE_INFORMATION size{};
        if (present && old)
            Call<Fn::GetAclInformation>(old, &size, static_cast<DWORD>(sizeof(size)), AclSizeInformation);
        for (DWORD i = 0; i < size.AceCount; ++i) {
            void* entry = nullptr;
            Call<Fn::GetAce>(old, i, &entry);
            ACE_HEADER* ace = static_cast<ACE_HEADER*>(entry);
            if (ace->AceFlags & INHERITED_ACE) continue;  // the protected DACL inherits nothing
            // An allowed or denied entry holds its identifier whole (the ACL is a valid one).
            const bool ownGroup = ace->AceSize >= kAceFixedPart + sizeof(SID) &&
                                  (ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE) &&
                                  Get<Fn::IsValidSid>()(AceSid(ace)) &&
                                  (SidsEqual(AceSid(ace), users_.get()) ||
                                   SidsEqual(AceSid(ace), administrators_.get()) ||
                                   SidsEqual(AceSid(ace), system_.get()));
            if (ownGroup) continue;  // written afresh below
            Call<Fn::AddAce>(dacl_.get(), static_cast<DWORD>(ACL_REVISION), MAXDWORD, entry,
                             static_cast<DWORD>(ace->AceSize));
        }
    }
    AddAllowed(dacl_.get(), administrators_.get(), FILE_ALL_ACCESS, kFilesAndFoldersInherit);
    AddAllowed(dacl_.get(), system_.get(), FILE_ALL_ACCESS, kFilesAndFoldersInherit);
    AddAllowed(dacl_.get(), users_.get(), FILE_ALL_ACCESS, kFilesAndFoldersInherit | INHERIT_ONLY_ACE);
    AddAllowed(dacl_.get(), users_.get(), kSharedFolderOwnAccess, 0);
    descriptor_.SetDacl(dacl_.get());
    if (takesOwnership_) descriptor_.SetOwner(administrators_.get());
    Protect(descriptor_);
}

UniqueFileHandle OpenUnfollowed(const std::wstring& path, DWORD access, bool folder) {
    const auto refuse = [] {
        ::SetLastError(kErrorReparsePointEncountered);
        return UniqueFileHandle();
    };
    const DWORD named = ::GetFileAttributesW(path.c_str());
    if (named == INVALID_FILE_ATTRIBUTES) return UniqueFileHandle();
    if (named & FILE_ATTRIBUTE_REPARSE_POINT) return refuse();
    UniqueFileHandle handle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) return handle;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.get(), &info)) return UniqueFileHandle();
    const bool isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || isFolder != folder ||
        (!isFolder && info.nNumberOfLinks > 1))
        return refuse();
    return handle;
}

bool SecureSharedFolder(const std::wstring& folder) noexcept {
    try {
        UniqueFileHandle handle = OpenUnfollowed(folder, READ_CONTROL | WRITE_DAC | WRITE_OWNER, true);
        if (!handle) RaiseLastError();
        const auto old = HandleSecurity(handle.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
        const SharedFolderDescriptor descriptor(old.get());
        SECURITY_INFORMATION parts = DACL_SECURITY_INFORMATION;
        if (descriptor.takesOwnership()) parts |= OWNER_SECURITY_INFORMATION;
        Call<Fn::SetKernelObjectSecurity>(handle.get(), parts, descriptor.get());
        return true;
    } catch (const HResultError&) {
        return false;
    }
}

bool GrantUsersFileAccess(const std::wstring& file, DWORD access) noexcept {
    try {
        UniqueFileHandle handle = OpenUnfollowed(file, READ_CONTROL | WRITE_DAC, false);
        if (!handle) RaiseLastError();
        const auto old = HandleSecurity(handle.get(), DACL_SECURITY_INFORMATION);
        const UsersAccessDescriptor descriptor(old.get(), access, 0);
        Call<Fn::SetKernelObjectSecurity>(handle.get(), static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION),
                                          descriptor.get());
        return true;
    } catch (const HResultError&) {
        return false;
    }
}

// ---- SetPrivilege --------------------------------------------------------------------------------

namespace {

// AdjustTokenPrivileges reports "not all assigned" as success with a last error: only a success
// with a last error of 0 counts.
void AdjustPrivileges(HANDLE token, TOKEN_PRIVILEGES* state, DWORD stateLength,
                      TOKEN_PRIVILEGES* previous, DWORD* previousLength) {
    const auto adjust = Get<Fn::AdjustTokenPrivileges>();
    ::SetLastError(ERROR_SUCCESS);
    const BOOL ok = adjust(token, FALSE, state, stateLength, previous, previousLength);
    const DWORD error = ::GetLastError();
    if (!ok || error != ERROR_SUCCESS) RaiseHResult(HResultFromWin32(error));
}

}  // namespace

bool SetPrivilege(const wchar_t* name, bool enable) noexcept {
    try {
        UniqueHandle token;
        Call<Fn::OpenProcessToken>(::GetCurrentProcess(),
                                   static_cast<DWORD>(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY), token.put());
        LUID luid{};
        Call<Fn::LookupPrivilegeValueW>(nullptr, name, &luid);

        // First adjustment: attributes 0, reading the privilege's previous state.
        TOKEN_PRIVILEGES state{};
        state.PrivilegeCount = 1;
        state.Privileges[0].Luid = luid;
        state.Privileges[0].Attributes = 0;
        TOKEN_PRIVILEGES previous{};
        DWORD previousLength = 0;
        AdjustPrivileges(token.get(), &state, sizeof(previous), &previous, &previousLength);

        // Second adjustment: the previous state with the enabled bit set or cleared.
        previous.PrivilegeCount = 1;
        previous.Privileges[0].Luid = luid;
        if (enable)
            previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
        else
            previous.Privileges[0].Attributes &= ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
        AdjustPrivileges(token.get(), &previous, previousLength, nullptr, nullptr);
        return true;
    } catch (const HResultError&) {
        return false;
    }
}

}  // namespace sv
