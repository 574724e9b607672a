#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "platform/AdvapiResolver.h"

namespace sv {
namespace {

template <typename F>
HRESULT RaisedBy(F&& call) {
    try {
        call();
    } catch (const HResultError& error) {
        return error.code();
    }
    return S_OK;
}

TEST(AdvapiResolver, FunctionTheLibraryLacksRaisesNotImplemented) {
    EXPECT_EQ(RaisedBy([] { advapi::LookUp("SvNoSuchSecurityFunction"); }), E_NOTIMPL);
}

TEST(AdvapiResolver, LibraryThatCannotBeLoadedRaisesUnexpected) {
    EXPECT_EQ(RaisedBy([] { advapi::LoadSystemLibrary(L"sv-no-such-library.dll"); }), E_UNEXPECTED);
}

TEST(AdvapiResolver, FalseResultRaisesHResultOfTheLastError) {
    LUID luid{};
    EXPECT_EQ(RaisedBy([&] {
                  advapi::Call<advapi::Fn::LookupPrivilegeValueW>(nullptr, L"SeNoSuchPrivilege", &luid);
              }),
              HRESULT_FROM_WIN32(ERROR_NO_SUCH_PRIVILEGE));
}

TEST(AdvapiResolver, TableEntryOfAMissingFunctionRaisesNotImplementedAndRecovers) {
    {
        const test::MissingAdvapiFunctions missing{"CheckTokenMembership"};
        EXPECT_EQ(RaisedBy([] { advapi::Get<advapi::Fn::CheckTokenMembership>(); }), E_NOTIMPL);
        EXPECT_EQ(advapi::TryGet<advapi::Fn::CheckTokenMembership>(), nullptr);
        EXPECT_NE(advapi::TryGet<advapi::Fn::AccessCheck>(), nullptr);
    }
    EXPECT_EQ(reinterpret_cast<FARPROC>(advapi::Get<advapi::Fn::CheckTokenMembership>()),
              ::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "CheckTokenMembership"));
}

TEST(HResultFromWin32, KeepsValuesUpToZeroAndFoldsOthersIntoWin32Facility) {
    const struct {
        DWORD error;
        HRESULT expected;
    } cases[] = {
        {ERROR_SUCCESS, S_OK},
        {ERROR_ACCESS_DENIED, static_cast<HRESULT>(0x80070005)},
        {ERROR_NOT_ALL_ASSIGNED, static_cast<HRESULT>(0x80070514)},
        {0x0012ABCDu, static_cast<HRESULT>(0x8007ABCD)},                // only the low 16 bits
        {0x8007000Eu, static_cast<HRESULT>(0x8007000E)},                // already an HRESULT
        {0xC0000005u, static_cast<HRESULT>(0xC0000005)},                // negative: unchanged
    };
    for (const auto& c : cases) EXPECT_EQ(HResultFromWin32(c.error), c.expected) << std::hex << c.error;
}

}  // namespace
}  // namespace sv
