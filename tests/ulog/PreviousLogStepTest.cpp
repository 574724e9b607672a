// Start-up reads the previous log only when reinstalling or updating.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/Product.h"
#include "ulog/PreviousLogStep.h"

namespace sv {
namespace {

struct FakeState {
    InstallMode installMode = InstallMode::FreshInstall;
    std::wstring foundLog;
    std::wstring installFolder = L"default install";
    std::wstring startMenuFolder = L"default menu";
    std::wstring FindPreviousLog() const { return foundLog; }
};

struct FakeLog {
    std::optional<std::wstring> readPath;  // what ReadPrevious was given
    std::wstring PreviousInstallPath() const { return L"D:\\Old"; }
    std::wstring PreviousShortcutPath() const { return L""; }  // gone: the default applies later
    void ReadPrevious(const std::wstring& path) { readPath = path; }
};

struct StepCase {
    InstallMode mode;
    const wchar_t* found;
    std::optional<std::wstring> read;
    const wchar_t* installFolder;
    const wchar_t* startMenuFolder;
};

void PrintTo(const StepCase& c, std::ostream* os) { *os << "mode " << static_cast<int>(c.mode); }

std::string StepName(const testing::TestParamInfo<StepCase>& info) {
    static const char* const names[] = {"SameVersionFound", "UpdateFound", "UpdateNoneFound", "Fresh", "Newer"};
    return names[info.index];
}

class PreviousLogStepCases : public testing::TestWithParam<StepCase> {};

TEST_P(PreviousLogStepCases, ReadsOnlyWhenReinstallingOrUpdating) {
    const StepCase& c = GetParam();
    FakeState state;
    state.installMode = c.mode;
    state.foundLog = c.found;
    FakeLog log;
    ReadPreviousLogInto(state, log);
    EXPECT_EQ(log.readPath, c.read);
    EXPECT_EQ(state.installFolder, c.installFolder);
    EXPECT_EQ(state.startMenuFolder, c.startMenuFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PreviousLogStepCases,
    testing::Values(StepCase{InstallMode::SameVersion, L"C:\\P\\Uninstall.ulog", L"C:\\P\\Uninstall.ulog", L"D:\\Old", L""},
                    StepCase{InstallMode::Update, L"C:\\P\\Uninstall.ulog", L"C:\\P\\Uninstall.ulog", L"D:\\Old", L""},
                    StepCase{InstallMode::Update, L"", std::nullopt, L"default install", L"default menu"},
                    StepCase{InstallMode::FreshInstall, L"C:\\P\\Uninstall.ulog", L"", L"default install", L"default menu"},
                    StepCase{InstallMode::NewerInstalled, L"C:\\P\\Uninstall.ulog", L"", L"default install",
                             L"default menu"}),
    StepName);

}  // namespace
}  // namespace sv
