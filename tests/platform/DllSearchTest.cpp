// A DLL planted in the current directory, loaded by bare name in a fresh helper process started
// there: found without the restriction (so the test can see the hole), not found with it.
#include <gtest/gtest.h>

#include "PlatformTestSupport.h"

namespace sv {
namespace {

struct LoadCase {
    const char* label;
    const wchar_t* dll;
    bool restrict;
    bool loaded;
};

void PrintTo(const LoadCase& c, std::ostream* out) {
    *out << c.label;
}

class DllSearchTest : public ::testing::TestWithParam<LoadCase> {
protected:
    void SetUp() override {
        // The DLL is built in a folder of its own: only the current directory offers it.
        std::filesystem::copy_file(test::ProgramFolder() / L"planted" / L"svplanted.dll",
                                   folder_.path() / L"svplanted.dll");
    }
    test::TempFolder folder_;
};

TEST_P(DllSearchTest, CurrentDirectoryOffersNothingAfterTheRestriction) {
    const LoadCase& c = GetParam();
    test::ChildProcess child(std::wstring(L"loaddll ") + c.dll + (c.restrict ? L" 1" : L" 0"), folder_.path());
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.Wait(), c.loaded ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Planted, DllSearchTest,
    ::testing::Values(LoadCase{"UnrestrictedLoadsFromTheCurrentDirectory", L"svplanted.dll", false, true},
                      LoadCase{"RestrictedIgnoresTheCurrentDirectory", L"svplanted.dll", true, false},
                      LoadCase{"RestrictedStillLoadsSystemLibraries", L"version.dll", true, true}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace sv
