#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>

#include "InstallTestSupport.h"
#include "install/Shortcut.h"

namespace sv {
namespace {

namespace fs = std::filesystem;
using test::LinkInfo;
using test::ReadLink;

class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / ("sv-shortcuts-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Menu");
        fs::create_directories(folder_ / "Program Files" / "Kavrenco");
        target_ = (folder_ / "Program Files" / "Kavrenco" / "Sarvelio.exe").wstring();
        std::ofstream(fs::path(target_)) << "MZ";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::wstring Menu() const { return (folder_ / "Menu").wstring(); }

    fs::path folder_;
    std::wstring target_;
};

TEST_F(Shortcuts, NamedLinkKeepsTheDotsOfItsName) {
    std::wstring created = L"before";
    ASSERT_TRUE(CreateShortcut(target_, Menu(), L"Sarvelix 6.04h", &created));
    EXPECT_EQ(created, Menu() + L"\\Sarvelix 6.04h.lnk");
    ASSERT_TRUE(fs::exists(fs::path(created)));
    const LinkInfo link = ReadLink(created);
    EXPECT_EQ(link.target, target_);
    EXPECT_EQ(link.workingDirectory, (folder_ / "Program Files" / "Kavrenco").wstring());
    EXPECT_EQ(link.arguments, L"");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "Menu"), fs::directory_iterator{}), 1);
}

TEST_F(Shortcuts, UnnamedLinkTakesTheTargetsName) {
    std::wstring created;
    ASSERT_TRUE(CreateShortcut(target_, Menu(), std::nullopt, &created));
    EXPECT_EQ(created, Menu() + L"\\Sarvelio.lnk");
    EXPECT_TRUE(CreateShortcut(target_, Menu(), std::nullopt, nullptr));  // no output wanted
}

TEST_F(Shortcuts, ExistingFileIsReplacedAndMissingTargetIsNoObstacle) {
    const std::wstring existing = Menu() + L"\\Sarvelix 6.04h.lnk";
    std::ofstream(fs::path(existing)) << "old content";
    const std::wstring missing = (folder_ / "nowhere" / "Sarvelio.exe").wstring();
    std::wstring created;
    ASSERT_TRUE(CreateShortcut(missing, Menu(), L"Sarvelix 6.04h", &created));
    EXPECT_EQ(created, existing);
    EXPECT_EQ(ReadLink(existing).target, missing);
}

TEST_F(Shortcuts, FailuresWriteNothingAndKeepTheOutput) {
    const std::wstring longName(250, L'n');
    struct Case {
        std::wstring target, folder, name;
    };
    const Case cases[] = {
        {L"Sarvelio.exe", Menu(), L"bare target"},                 // no folder part
        {target_, Menu(), longName},                              // link path over 260 characters
        {target_, Menu() + L"\\Missing", L"missing folder"},      // the folder must exist
    };
    for (const auto& c : cases) {
        std::wstring created = L"untouched";
        EXPECT_FALSE(CreateShortcut(c.target, c.folder, c.name, &created));
        EXPECT_EQ(created, L"untouched");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "Menu"), fs::directory_iterator{}), 0);
}

TEST_F(Shortcuts, ComStateOfTheThreadIsUnchanged) {
    // Not initialised before: not initialised after (a first CoInitializeEx answers S_OK).
    ASSERT_TRUE(CreateShortcut(target_, Menu(), L"a", nullptr));
    const HRESULT first = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(first, S_OK);
    // Initialised before: still usable after.
    ASSERT_TRUE(CreateShortcut(target_, Menu(), L"b", nullptr));
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

}  // namespace
}  // namespace sv
