// The access lists of the folders that users share and of an installation folder made outside the
// program folders, built in memory from real security descriptors (Wine keeps no file DACLs or
// owners to read back); the checked-handle file calls for their results and refusals; and the
// redirection-trust mitigation's call.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/AccessControl.h"
#include "platform/RedirectionTrust.h"

namespace sv {
namespace {

constexpr DWORD kNeverOnTheFolderItself =
    DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA;

class Sddl {
public:
    explicit Sddl(const wchar_t* text) {
        EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor_, nullptr))
            << "bad SDDL in the test table";
    }
    ~Sddl() { ::LocalFree(descriptor_); }
    PSECURITY_DESCRIPTOR get() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

PACL DaclOf(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = nullptr;
    EXPECT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present && dacl && ::IsValidAcl(dacl));
    return dacl;
}

bool IsProtected(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    EXPECT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
    return (control & SE_DACL_PROTECTED) != 0;
}

// What the users group may do to the object itself, and to files created in it (by inheritance).
struct UsersRights {
    DWORD onItself = 0;
    DWORD onNewFiles = 0;
};

UsersRights RightsOfUsers(PACL dacl) {
    UsersRights rights;
    const WellKnownSid users(WellKnownGroup::Users);
    ACL_SIZE_INFORMATION size{};
    ::GetAclInformation(dacl, &size, sizeof size, AclSizeInformation);
    for (DWORD i = 0; i < size.AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ::GetAce(dacl, i, reinterpret_cast<void**>(&ace));
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || !::EqualSid(&ace->SidStart, users.get())) continue;
        if (!(ace->Header.AceFlags & INHERIT_ONLY_ACE)) rights.onItself |= ace->Mask;
        if (ace->Header.AceFlags & OBJECT_INHERIT_ACE) rights.onNewFiles |= ace->Mask;
    }
    return rights;
}

struct FolderCase {
    const char* label;
    const wchar_t* old;       // SDDL of the folder's descriptor, owner and DACL
    const wchar_t* expected;  // SDDL of the new DACL's entries
    bool takesOwnership;
};

void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.label; }

constexpr wchar_t kFresh[] = L"D:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;FA;;;BU)(A;;0x1200af;;;BU)";

class SharedFolderDaclTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SharedFolderDaclTest, UsersGetWhatTheFolderHoldsButNeverTheFolderItself) {
    const FolderCase& c = GetParam();
    const Sddl old(c.old);
    const SharedFolderDescriptor built(old.get());

    ASSERT_TRUE(::IsValidSecurityDescriptor(built.get()));
    EXPECT_EQ(test::DescribeAces(DaclOf(built.get())), test::DescribeSddlDacl(c.expected));
    EXPECT_TRUE(IsProtected(built.get()));  // inherits nothing from a parent users may share
    EXPECT_EQ(built.takesOwnership(), c.takesOwnership);
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(::GetSecurityDescriptorOwner(built.get(), &owner, &defaulted));
    if (c.takesOwnership) {
        ASSERT_NE(owner, nullptr);
        EXPECT_TRUE(::EqualSid(owner, WellKnownSid(WellKnownGroup::Administrators).get()));
    } else {
        EXPECT_EQ(owner, nullptr);  // the owner is not stored
    }
    const UsersRights rights = RightsOfUsers(DaclOf(built.get()));
    EXPECT_EQ(rights.onItself & kNeverOnTheFolderItself, 0u);
    EXPECT_EQ(rights.onItself & kSharedFolderOwnAccess, kSharedFolderOwnAccess);
    EXPECT_EQ(rights.onNewFiles & FILE_ALL_ACCESS, static_cast<DWORD>(FILE_ALL_ACCESS));
}

INSTANTIATE_TEST_SUITE_P(
    OldFolders, SharedFolderDaclTest,
    ::testing::Values(
        // As the all-users data folder's children are made: inherited entries only.
        FolderCase{"MadeByTheInstallerBelowProgramData",
                   L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIIOID;GA;;;CO)(A;OICIID;0x1200a9;;;BU)"
                   L"(A;CIID;0x6;;;BU)",
                   kFresh, false},
        FolderCase{"AdministratorsOwnedKeepsTheOtherExplicitEntries",
                   L"O:BAD:(D;;FA;;;S-1-5-21-1-2-3-1001)(A;;FR;;;WD)(A;OICIID;FA;;;SY)",
                   L"D:(D;;FA;;;S-1-5-21-1-2-3-1001)(A;;FR;;;WD)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;FA;;;BU)"
                   L"(A;;0x1200af;;;BU)",
                   false},
        FolderCase{"SecuredAgainIsUnchanged", L"O:SYD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;FA;;;BU)(A;;0x1200af;;;BU)",
                   kFresh, false},
        FolderCase{"FullAccessInheritedFromASharedParentIsDropped",
                   L"O:BAD:AI(A;OICIID;FA;;;BU)(A;;FA;;;BU)(D;;WD;;;BU)", kFresh, false},
        FolderCase{"TrustedInstallerOwned",
                   L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FR;;;WD)",
                   L"D:(A;;FR;;;WD)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;FA;;;BU)(A;;0x1200af;;;BU)", false},
        // A user made the folder before the first installation: whatever it says is dropped.
        FolderCase{"UserOwnedGetsAdministratorsAndAFreshDacl",
                   L"O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;WD)", kFresh, true},
        FolderCase{"UsersOwnedGetsAdministratorsAndAFreshDacl", L"O:BUD:(A;;FA;;;BU)", kFresh, true},
        FolderCase{"WithoutOwnerCountsAsNotTrusted", L"D:(A;;FA;;;WD)", kFresh, true},
        FolderCase{"NullDacl", L"O:BAD:NO_ACCESS_CONTROL", kFresh, false}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.label); });

TEST(ProgramFilesChildDescriptor, AdministratorsAndSystemFullUsersReadAndExecuteProtected) {
    const ProgramFilesChildDescriptor built;
    ASSERT_TRUE(::IsValidSecurityDescriptor(built.get()));
    EXPECT_EQ(test::DescribeAces(built.dacl()),
              test::DescribeSddlDacl(L"D:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"));
    EXPECT_TRUE(IsProtected(built.get()));
    const UsersRights rights = RightsOfUsers(built.dacl());
    EXPECT_EQ(rights.onItself, kReadAndExecute);
    EXPECT_EQ(rights.onNewFiles, kReadAndExecute);  // a planted program cannot replace an installed one
}

TEST(IsTrustedOwner, OnlyAdministratorsSystemAndTrustedInstaller) {
    for (const auto& [group, trusted] :
         std::vector<std::pair<WellKnownGroup, bool>>{{WellKnownGroup::Administrators, true},
                                                      {WellKnownGroup::LocalSystem, true},
                                                      {WellKnownGroup::TrustedInstaller, true},
                                                      {WellKnownGroup::Users, false},
                                                      {WellKnownGroup::Everyone, false}}) {
        EXPECT_EQ(IsTrustedOwner(WellKnownSid(group).get()), trusted) << static_cast<int>(group);
    }
    EXPECT_FALSE(IsTrustedOwner(nullptr));
}

// ---- the checked-handle calls on real files of the prefix (results only: Wine keeps no DACL) -----

class CheckedHandleTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(std::filesystem::path(file())) << "data";
        std::filesystem::create_directory(folder());
        std::ofstream(std::filesystem::path(system())) << "the system's own";
    }
    std::wstring file() const { return (temp_.path() / L"shared.dat").wstring(); }
    std::wstring folder() const { return (temp_.path() / L"Shared").wstring(); }
    std::wstring system() const { return (temp_.path() / L"system.ini").wstring(); }
    test::TempFolder temp_;
};

TEST_F(CheckedHandleTest, StoresOnAPlainFolderAndAPlainFile_ResultOnlyUnderWine) {
    EXPECT_TRUE(SecureSharedFolder(folder()));
    EXPECT_TRUE(GrantUsersFileAccess(file(), 0x13019F));
}

// Wine makes real hard links (CreateHardLinkW) and reports their count by handle; folder links
// are refused by the installation test with a Unix link (tests/install); a file's symbolic link
// Wine cannot show, see tests/payload/LinkGuardTest.cpp.
TEST_F(CheckedHandleTest, RefusesTheWrongKindAHardLinkAndAMissingPath) {
    const std::wstring linked = (temp_.path() / L"linked.dat").wstring();
    ASSERT_TRUE(::CreateHardLinkW(linked.c_str(), system().c_str(), nullptr)) << ::GetLastError();
    struct Refusal {
        const char* label;
        std::wstring path;
        bool folder;
        DWORD error;
    };
    for (const Refusal& r : {Refusal{"file_opened_as_folder", file(), true, kErrorReparsePointEncountered},
                             Refusal{"folder_opened_as_file", folder(), false, kErrorReparsePointEncountered},
                             Refusal{"hard_linked_file", linked, false, kErrorReparsePointEncountered},
                             Refusal{"missing", file() + L".missing", false, ERROR_FILE_NOT_FOUND}}) {
        ::SetLastError(0);
        EXPECT_FALSE(OpenUnfollowed(r.path, READ_CONTROL, r.folder)) << r.label;
        EXPECT_EQ(::GetLastError(), r.error) << r.label;
    }
    EXPECT_FALSE(GrantUsersFileAccess(linked, 0x13019F));
    EXPECT_FALSE(SecureSharedFolder(file()));
    EXPECT_FALSE(GrantUsersFileAccess(folder(), 0x13019F));
    EXPECT_TRUE(OpenUnfollowed(file(), READ_CONTROL, false));
    EXPECT_TRUE(OpenUnfollowed(folder(), READ_CONTROL, true));
}

// ---- redirection trust ----------------------------------------------------------------------------

struct PolicyCall {
    int calls = 0;
    int policy = -1;
    DWORD flags = 0;
    SIZE_T length = 0;
    BOOL answer = TRUE;
} g_policyCall;

BOOL WINAPI RecordPolicy(int policy, PVOID buffer, SIZE_T length) {
    ++g_policyCall.calls;
    g_policyCall.policy = policy;
    g_policyCall.length = length;
    g_policyCall.flags = static_cast<RedirectionTrustPolicy*>(buffer)->flags;
    return g_policyCall.answer;
}

TEST(RedirectionTrust, EnforcesPolicy16WhereTheSystemHasTheFunction) {
    g_policyCall = {};
    EXPECT_TRUE(EnableRedirectionTrust(&RecordPolicy));
    EXPECT_EQ(g_policyCall.calls, 1);
    EXPECT_EQ(g_policyCall.policy, 16);
    EXPECT_EQ(g_policyCall.flags, 1u);  // EnforceRedirectionTrust
    EXPECT_EQ(g_policyCall.length, sizeof(DWORD));
    g_policyCall.answer = FALSE;
    EXPECT_FALSE(EnableRedirectionTrust(&RecordPolicy));  // an older system refusing the policy
}

TEST(RedirectionTrust, WithoutTheFunctionNothingHappens) {
    EXPECT_FALSE(EnableRedirectionTrust(nullptr));
}

}  // namespace
}  // namespace sv
