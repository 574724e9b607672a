#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "install/TempFolder.h"

namespace sv {
namespace {

namespace fs = std::filesystem;

std::wstring TempPath() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

TEST(TempFolder, RandomNameUnderTheUsersTemporaryFolder) {
    std::wstring first, second, error;
    ASSERT_TRUE(PrepareTempFolder(first, error));
    ASSERT_TRUE(PrepareTempFolder(second, error));
    EXPECT_NE(first, second);
    const std::wregex pattern(L"kavren_\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}");
    const std::wstring name = first.substr(first.rfind(L'\\') + 1);
    EXPECT_TRUE(std::regex_match(name, pattern));
    EXPECT_EQ(first.substr(0, first.rfind(L'\\') + 1), TempPath());
    EXPECT_FALSE(fs::exists(fs::path(first)));  // named, not created
}

TEST(TempFolder, TemporaryPathOf246CharactersIsTheLongestAccepted) {
    wchar_t saved[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    const std::wstring base = L"C:\\";
    for (std::size_t length : {246u, 247u}) {
        // GetTempPathW answers TMP with a backslash added.
        const std::wstring tmp = base + std::wstring(length - base.size() - 1, L'a');
        SetEnvironmentVariableW(L"TMP", tmp.c_str());
        ASSERT_EQ(TempPath().size(), length);
        std::wstring folder = L"unchanged", error;
        const bool accepted = PrepareTempFolder(folder, error);
        EXPECT_EQ(accepted, length == 246) << length;
        if (!accepted) {
            EXPECT_EQ(folder, L"unchanged");
            EXPECT_TRUE(std::regex_match(error, std::wregex(L"[0-9a-f]{8} \\(GetTempPath\\)"))) << error.size();
        }
    }
    SetEnvironmentVariableW(L"TMP", saved);
}

TEST(TempFolder, SweeperRemovesItsFilesAndTheEmptyFolder) {
    std::wstring folder, error;
    ASSERT_TRUE(PrepareTempFolder(folder, error));
    fs::create_directories(fs::path(folder) / "sub");
    const std::wstring file = folder + L"\\setup.tmp";
    const std::wstring readOnly = folder + L"\\sub\\locked.tmp";
    std::ofstream(fs::path(file)) << "x";
    std::ofstream(fs::path(readOnly)) << "x";
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        EXPECT_EQ(TempFileSweeper::Current(), nullptr);
        TempFileSweeper sweeper(folder);
        EXPECT_EQ(TempFileSweeper::Current(), &sweeper);
        sweeper.Add(file);
        sweeper.Add(readOnly);
        sweeper.Add(folder + L"\\sub");
        sweeper.Add(folder + L"\\never-written.tmp");  // missing: no error
    }
    EXPECT_EQ(TempFileSweeper::Current(), nullptr);
    EXPECT_FALSE(fs::exists(fs::path(folder)));
}

TEST(TempFolder, SweeperLeavesAFolderThatStillHoldsOtherFiles) {
    std::wstring folder, error;
    ASSERT_TRUE(PrepareTempFolder(folder, error));
    fs::create_directories(fs::path(folder));
    const std::wstring foreign = folder + L"\\foreign.txt";
    std::ofstream(fs::path(foreign)) << "x";
    { TempFileSweeper sweeper(folder); }
    EXPECT_TRUE(fs::exists(fs::path(foreign)));
    fs::remove_all(fs::path(folder));
}

}  // namespace
}  // namespace sv
