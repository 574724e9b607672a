// IsAdministrator, SetPrivilege, the identifiers and the Everyone descriptor, on this process's
// real token. Under Wine the user is an administrator whose token holds SeBackupPrivilege and
// SeRestorePrivilege (disabled) but not SeCreateTokenPrivilege; each test checks what it relies on.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/AccessControl.h"

namespace sv {

// ---- identifiers ----------------------------------------------------------------------------------

static const char* GroupName(WellKnownGroup group) {
    switch (group) {
        case WellKnownGroup::Everyone:
            return "Everyone";
        case WellKnownGroup::Administrators:
            return "Administrators";
        case WellKnownGroup::Users:
            break;
    }
    return "Users";
}

// Found by argument-dependent look-up when GoogleTest prints a parameter.
static void PrintTo(WellKnownGroup group, std::ostream* out) {
    *out << GroupName(group);
}

namespace {

class WellKnownSidTest : public ::testing::TestWithParam<std::tuple<WellKnownGroup, bool>> {};

TEST_P(WellKnownSidTest, BuildsTheGroupsIdentifier) {
    const auto [group, platformAllocator] = GetParam();
    const wchar_t* expected = group == WellKnownGroup::Everyone         ? L"S-1-1-0"
                              : group == WellKnownGroup::Administrators ? L"S-1-5-32-544"
                                                                        : L"S-1-5-32-545";
    std::vector<std::string> missing;
    if (!platformAllocator) missing.push_back("AllocateAndInitializeSid");
    const test::MissingAdvapiFunctions hook(missing);

    const WellKnownSid sid(group);
    EXPECT_EQ(test::SidString(sid.get()), expected);
    EXPECT_EQ(sid.length(), ::GetLengthSid(sid.get()));
}

INSTANTIATE_TEST_SUITE_P(Groups, WellKnownSidTest,
                         ::testing::Combine(::testing::Values(WellKnownGroup::Everyone,
                                                              WellKnownGroup::Administrators,
                                                              WellKnownGroup::Users),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(GroupName(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "_PlatformAllocated" : "_OwnLayout");
                         });

TEST(SidQueries, InvalidIdentifierRaisesInvalidArgument) {
    BYTE notASid[16] = {0xFF, 0xFF};
    const WellKnownSid users(WellKnownGroup::Users);
    for (const auto& query : std::vector<std::function<void()>>{
             [&] { SidLength(notASid); },
             [&] { SidsEqual(notASid, users.get()); },
             [&] { SidsEqual(users.get(), notASid); },
         }) {
        try {
            query();
            ADD_FAILURE() << "no error raised";
        } catch (const HResultError& error) {
            EXPECT_EQ(error.code(), E_INVALIDARG);
        }
    }
    const WellKnownSid everyone(WellKnownGroup::Everyone);
    const WellKnownSid users2(WellKnownGroup::Users);
    EXPECT_TRUE(SidsEqual(users.get(), users2.get()));
    EXPECT_FALSE(SidsEqual(users.get(), everyone.get()));
}

// ---- EveryoneDacl and SecurityDescriptor ----------------------------------------------------------

TEST(EveryoneDacl, HoldsExactlyOneAllowedEntryForEveryone) {
    for (const DWORD access : {static_cast<DWORD>(MUTEX_ALL_ACCESS), static_cast<DWORD>(SEMAPHORE_ALL_ACCESS)}) {
        const AclBuffer dacl = EveryoneDacl(access);
        ASSERT_TRUE(::IsValidAcl(dacl.get()));
        wchar_t expected[64];
        std::swprintf(expected, 64, L"0;00;%08lx;S-1-1-0", access);
        EXPECT_EQ(test::DescribeAces(dacl.get()), std::vector<std::wstring>{expected});
        ACL_SIZE_INFORMATION size{};
        ::GetAclInformation(dacl.get(), &size, sizeof(size), AclSizeInformation);
        EXPECT_EQ(size.AclBytesFree, 0u) << "sized for exactly one entry";
    }
}

TEST(SecurityDescriptor, AttachesDaclOwnerAndGroupNotDefaulted) {
    SecurityDescriptor descriptor;
    ASSERT_TRUE(::IsValidSecurityDescriptor(descriptor.get()));
    BOOL present = TRUE, defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted));
    EXPECT_FALSE(present);

    const AclBuffer everyone = EveryoneDacl(GENERIC_READ);
    const WellKnownSid administrators(WellKnownGroup::Administrators);
    const WellKnownSid users(WellKnownGroup::Users);
    descriptor.SetDacl(everyone.get());
    descriptor.SetOwner(administrators.get());
    descriptor.SetGroup(users.get());

    ASSERT_TRUE(::IsValidSecurityDescriptor(descriptor.get()));
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(dacl, everyone.get());
    PSID owner = nullptr, group = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted));
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(owner, administrators.get());
    ASSERT_TRUE(::GetSecurityDescriptorGroup(descriptor.get(), &group, &defaulted));
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(group, users.get());
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    EXPECT_EQ(revision, static_cast<DWORD>(SECURITY_DESCRIPTOR_REVISION));
    EXPECT_FALSE(control & SE_SELF_RELATIVE);
}

// ---- IsAdministrator ------------------------------------------------------------------------------

bool ThreadIsImpersonating() {
    HANDLE token = nullptr;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return false;
    ::CloseHandle(token);
    return true;
}

TEST(IsAdministrator, WineUserIsAnAdministrator) {
    EXPECT_TRUE(IsAdministrator());
}

TEST(IsAdministrator, AccessCheckMethodGrantsTheWineUserAndEndsTheImpersonation) {
    EXPECT_TRUE(IsAdministratorByAccessCheck());
    EXPECT_FALSE(ThreadIsImpersonating());
}

// An administrator running without elevation has Administrators as a deny-only group. Wine has no
// such token of its own: the thread impersonates a restricted copy of the process token.
TEST(IsAdministrator, DenyOnlyAdministratorsGroupIsNotAMember) {
    HANDLE process = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &process));
    const UniqueHandle processToken(process);
    const WellKnownSid administrators(WellKnownGroup::Administrators);
    SID_AND_ATTRIBUTES disabled{administrators.get(), 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(::CreateRestrictedToken(processToken.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted));
    const UniqueHandle restrictedToken(restricted);
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(::DuplicateToken(restrictedToken.get(), SecurityImpersonation, &impersonation));
    const UniqueHandle impersonationToken(impersonation);

    ASSERT_TRUE(::SetThreadToken(nullptr, impersonationToken.get()));
    const bool filtered = IsAdministrator();
    ::RevertToSelf();

    EXPECT_FALSE(filtered);
    EXPECT_TRUE(IsAdministrator());
}

struct MissingCase {
    const char* label;
    std::vector<std::string> missing;
    std::function<bool()> call;
    bool expected;
};

void PrintTo(const MissingCase& c, std::ostream* out) {
    *out << c.label;
}

class MissingFunctionTest : public ::testing::TestWithParam<MissingCase> {};

// Wine's advapi32 has every function: the resolver's look-up hook makes some look missing.
TEST_P(MissingFunctionTest, HelperAnswersWithoutRaising) {
    const MissingCase& c = GetParam();
    const test::MissingAdvapiFunctions hook(c.missing);
    EXPECT_EQ(c.call(), c.expected);
    EXPECT_FALSE(ThreadIsImpersonating());
}

INSTANTIATE_TEST_SUITE_P(
    Resolver, MissingFunctionTest,
    ::testing::Values(
        MissingCase{"MembershipCheckFallsBackToAccessCheck", {"CheckTokenMembership"}, IsAdministrator, true},
        MissingCase{"NeitherMethodAnswersFalse", {"CheckTokenMembership", "AccessCheck"}, IsAdministrator, false},
        MissingCase{"NoImpersonationAnswersFalse", {"CheckTokenMembership", "ImpersonateSelf"}, IsAdministrator, false},
        MissingCase{"OwnIdentifierLayoutStillAnswers", {"AllocateAndInitializeSid"}, IsAdministrator, true},
        MissingCase{"PrivilegeWithoutAdjustAnswersFalse", {"AdjustTokenPrivileges"},
                    [] { return SetPrivilege(L"SeBackupPrivilege", true); }, false},
        MissingCase{"PrivilegeWithoutLookUpAnswersFalse", {"LookupPrivilegeValueW"},
                    [] { return SetPrivilege(L"SeBackupPrivilege", true); }, false}),
    [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.label); });

// ---- SetPrivilege ---------------------------------------------------------------------------------

// The attributes of a privilege in the process token; nothing when the token does not hold it.
std::optional<DWORD> PrivilegeAttributes(const wchar_t* name) {
    LUID luid{};
    if (!::LookupPrivilegeValueW(nullptr, name, &luid)) return std::nullopt;
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    const UniqueHandle owner(token);
    DWORD length = 0;
    ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &length);
    std::vector<BYTE> buffer(length);
    if (!::GetTokenInformation(token, TokenPrivileges, buffer.data(), length, &length)) return std::nullopt;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& held = privileges->Privileges[i].Luid;
        if (held.LowPart == luid.LowPart && held.HighPart == luid.HighPart) return privileges->Privileges[i].Attributes;
    }
    return std::nullopt;
}

TEST(SetPrivilege, SwitchesAHeldPrivilegeOnAndOff) {
    for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
        SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)));
        ASSERT_TRUE(PrivilegeAttributes(name).has_value()) << "the Wine user's token holds it";
        for (const bool enable : {true, true, false, false, true, false}) {
            EXPECT_TRUE(SetPrivilege(name, enable));
            EXPECT_EQ((*PrivilegeAttributes(name) & SE_PRIVILEGE_ENABLED) != 0, enable);
        }
    }
}

TEST(SetPrivilege, PrivilegeTheTokenLacksIsAFailure) {
    ASSERT_FALSE(PrivilegeAttributes(L"SeCreateTokenPrivilege").has_value())
        << "the Wine user's token does not hold it";
    EXPECT_FALSE(SetPrivilege(L"SeCreateTokenPrivilege", true));
    EXPECT_FALSE(SetPrivilege(L"SeCreateTokenPrivilege", false));
}

TEST(SetPrivilege, UnknownPrivilegeIsAFailure) {
    EXPECT_FALSE(SetPrivilege(L"SeNoSuchPrivilege", true));
}

}  // namespace
}  // namespace sv
