// The DACL GrantUsersAccess stores, built in memory from real security descriptors (Wine keeps no
// file DACLs: SetFileSecurityW succeeds but the entries and the protected bit are lost on
// read-back), and the file calls for their results only.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <fstream>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/AccessControl.h"

namespace sv {
namespace {

constexpr DWORD kFolderInheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
constexpr DWORD kReadWriteDelete = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;  // 0x13019f
constexpr SECURITY_DESCRIPTOR_CONTROL kInheritanceBits =
    SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ;
constexpr SECURITY_DESCRIPTOR_CONTROL kAutoInherited = SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ;

// A self-relative descriptor read from SDDL; null SDDL gives a present but null DACL (SDDL's
// NO_ACCESS_CONTROL comes back from Wine as an empty list, not a null one).
class OldDescriptor {
public:
    explicit OldDescriptor(const wchar_t* sddl) {
        if (sddl) {
            EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &parsed_, nullptr));
        } else {
            ::InitializeSecurityDescriptor(&absolute_, SECURITY_DESCRIPTOR_REVISION);
            ::SetSecurityDescriptorDacl(&absolute_, TRUE, nullptr, FALSE);
        }
    }
    ~OldDescriptor() {
        if (parsed_) ::LocalFree(parsed_);
    }
    PSECURITY_DESCRIPTOR get() { return parsed_ ? parsed_ : &absolute_; }

private:
    PSECURITY_DESCRIPTOR parsed_ = nullptr;
    SECURITY_DESCRIPTOR absolute_{};
};

std::vector<std::wstring> DaclOf(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = nullptr;
    EXPECT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    EXPECT_TRUE(dacl && ::IsValidAcl(dacl));
    return test::DescribeAces(dacl);
}

SECURITY_DESCRIPTOR_CONTROL InheritanceBitsOf(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    EXPECT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
    return control & kInheritanceBits;
}

struct DaclCase {
    const char* label;
    const wchar_t* old;  // SDDL; null: a null DACL
    DWORD access;
    DWORD inheritance;
    const wchar_t* expected;  // SDDL of the new DACL's entries
    SECURITY_DESCRIPTOR_CONTROL expectedBits;
};

void PrintTo(const DaclCase& c, std::ostream* out) {
    *out << c.label;
}

class UsersAccessDaclTest : public ::testing::TestWithParam<DaclCase> {};

TEST_P(UsersAccessDaclTest, ReplacesTheUsersEntriesInPlace) {
    const DaclCase& c = GetParam();
    OldDescriptor old(c.old);
    const UsersAccessDescriptor built(old.get(), c.access, c.inheritance);

    ASSERT_TRUE(::IsValidSecurityDescriptor(built.get()));
    EXPECT_EQ(DaclOf(built.get()), test::DescribeSddlDacl(c.expected));
    EXPECT_EQ(InheritanceBitsOf(built.get()), c.expectedBits);
}

INSTANTIATE_TEST_SUITE_P(
    OldDacls, UsersAccessDaclTest,
    ::testing::Values(
        DaclCase{"ExplicitDenyForUsersBecomesOneAllow",
                 L"D:(A;;FA;;;SY)(D;;FA;;;BU)(A;;FA;;;BA)(A;ID;FR;;;WD)", FILE_ALL_ACCESS, kFolderInheritance,
                 L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;OICI;FA;;;BU)(A;ID;FR;;;WD)", 0},
        DaclCase{"UsersEntriesOfEveryKindRemoved",
                 L"D:(A;;FR;;;BU)(A;;FA;;;SY)(D;OICI;FW;;;BU)(A;ID;FR;;;BU)(A;OICIID;FA;;;BA)(D;ID;FX;;;BU)",
                 kReadWriteDelete, 0, L"D:(A;;FA;;;SY)(A;;0x13019f;;;BU)(A;OICIID;FA;;;BA)", 0},
        DaclCase{"WithoutInheritedEntriesAppendedLast", L"D:(A;;FA;;;SY)(A;;FA;;;BA)", kReadWriteDelete, 0,
                 L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x13019f;;;BU)", 0},
        DaclCase{"OnlyInheritedEntriesGoesFirst", L"D:(A;ID;FA;;;SY)(A;OICIID;FA;;;BA)", FILE_ALL_ACCESS,
                 kFolderInheritance, L"D:(A;OICI;FA;;;BU)(A;ID;FA;;;SY)(A;OICIID;FA;;;BA)", 0},
        DaclCase{"BeforeTheFirstInheritedEvenWithExplicitEntriesAfterIt",
                 L"D:(A;;FA;;;SY)(A;ID;FR;;;WD)(A;;FA;;;BA)(D;;FA;;;BU)", kReadWriteDelete, 0,
                 L"D:(A;;FA;;;SY)(A;;0x13019f;;;BU)(A;ID;FR;;;WD)(A;;FA;;;BA)", 0},
        DaclCase{"ProtectedStaysProtected", L"D:P(A;;FA;;;SY)(A;;FR;;;BU)", kReadWriteDelete, 0,
                 L"D:(A;;FA;;;SY)(A;;0x13019f;;;BU)", SE_DACL_PROTECTED},
        DaclCase{"AutoInheritedKeepsInheriting", L"D:AI(A;;FA;;;SY)(A;ID;FR;;;WD)", FILE_ALL_ACCESS,
                 kFolderInheritance, L"D:(A;;FA;;;SY)(A;OICI;FA;;;BU)(A;ID;FR;;;WD)", kAutoInherited},
        DaclCase{"ProtectedAndAutoInheritedComesBackAutoInheritedOnly", L"D:PAI(A;;FA;;;SY)", FILE_ALL_ACCESS, 0,
                 L"D:(A;;FA;;;SY)(A;;FA;;;BU)", kAutoInherited},
        DaclCase{"AutoInheritRequiredAloneIsNotCarried", L"D:AR(A;;FA;;;SY)", FILE_ALL_ACCESS, 0,
                 L"D:(A;;FA;;;SY)(A;;FA;;;BU)", 0},
        DaclCase{"NoDaclAtAll", L"O:BA", kReadWriteDelete, 0, L"D:(A;;0x13019f;;;BU)", 0},
        DaclCase{"NullDacl", nullptr, FILE_ALL_ACCESS, kFolderInheritance, L"D:(A;OICI;FA;;;BU)", 0},
        DaclCase{"EmptyDacl", L"D:P", FILE_ALL_ACCESS, kFolderInheritance, L"D:(A;OICI;FA;;;BU)",
                 SE_DACL_PROTECTED}),
    [](const ::testing::TestParamInfo<DaclCase>& info) { return std::string(info.param.label); });

// The second grant reads what the first stored: still exactly one entry for the users group.
TEST(UsersAccessDacl, GrantingTwiceLeavesOneUsersEntry) {
    OldDescriptor old(L"D:AI(A;;FA;;;SY)(D;;FA;;;BU)(A;ID;FR;;;WD)");
    const UsersAccessDescriptor first(old.get(), FILE_ALL_ACCESS, kFolderInheritance);

    DWORD length = 0;
    ::MakeSelfRelativeSD(first.get(), nullptr, &length);
    std::vector<BYTE> stored(length);
    ASSERT_TRUE(::MakeSelfRelativeSD(first.get(), stored.data(), &length));
    const UsersAccessDescriptor second(stored.data(), FILE_ALL_ACCESS, kFolderInheritance);

    EXPECT_EQ(DaclOf(second.get()), test::DescribeSddlDacl(L"D:(A;;FA;;;SY)(A;OICI;FA;;;BU)(A;ID;FR;;;WD)"));
    EXPECT_EQ(InheritanceBitsOf(second.get()), kAutoInherited);
}

// Wine's advapi32 has these functions: the resolver's look-up hook makes them look missing.
TEST(UsersAccessDacl, WithoutAddAccessAllowedAceExTheEntryHasNoInheritanceFlags) {
    const test::MissingAdvapiFunctions missing{"AddAccessAllowedAceEx"};
    OldDescriptor old(L"D:(A;;FA;;;SY)(A;ID;FR;;;WD)");
    const UsersAccessDescriptor built(old.get(), FILE_ALL_ACCESS, kFolderInheritance);
    EXPECT_EQ(DaclOf(built.get()), test::DescribeSddlDacl(L"D:(A;;FA;;;SY)(A;;FA;;;BU)(A;ID;FR;;;WD)"));
}

TEST(UsersAccessDacl, WithoutControlFunctionsTheInheritanceStateIsNotCarried) {
    for (const char* name : {"GetSecurityDescriptorControl", "SetSecurityDescriptorControl"}) {
        const test::MissingAdvapiFunctions missing{name};
        OldDescriptor old(L"D:P(A;;FA;;;SY)");
        const UsersAccessDescriptor built(old.get(), FILE_ALL_ACCESS, 0);
        EXPECT_EQ(DaclOf(built.get()), test::DescribeSddlDacl(L"D:(A;;FA;;;SY)(A;;FA;;;BU)")) << name;
        EXPECT_EQ(InheritanceBitsOf(built.get()), 0) << name;
    }
}

// ---- the file calls (results only: Wine keeps no file DACL to read back) --------------------------

class GrantUsersAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = folder_.path() / L"shared.dat";
        std::ofstream(file_) << "data";
        subFolder_ = folder_.path() / L"Shared";
        std::filesystem::create_directory(subFolder_);
    }
    test::TempFolder folder_;
    std::filesystem::path file_;
    std::filesystem::path subFolder_;
};

TEST_F(GrantUsersAccessTest, StoresOnAFileAndAFolder_ResultOnlyUnderWine) {
    EXPECT_TRUE(GrantUsersAccess(file_.wstring(), kReadWriteDelete, 0));
    EXPECT_TRUE(GrantUsersAccess(subFolder_.wstring(), FILE_ALL_ACCESS, kFolderInheritance));
}

TEST_F(GrantUsersAccessTest, MissingPathIsAFailure) {
    EXPECT_FALSE(GrantUsersAccess((folder_.path() / L"missing.dat").wstring(), kReadWriteDelete, 0));
}

TEST_F(GrantUsersAccessTest, FailingStepsAnswerFalse) {
    for (const char* name : {"GetFileSecurityW", "SetFileSecurityW", "GetAclInformation", "AddAce"}) {
        const test::MissingAdvapiFunctions missing{name};
        EXPECT_FALSE(GrantUsersAccess(file_.wstring(), kReadWriteDelete, 0)) << name;
    }
}

}  // namespace
}  // namespace sv
