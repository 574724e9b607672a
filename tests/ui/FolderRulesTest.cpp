// The folder picker's path rules, under Wine (the platform's path functions).
#include <gtest/gtest.h>

#include <windows.h>

#include "ui/FolderPicker.h"

namespace sv::ui {
namespace {

TEST(JoinWithSuffix, AppendsOnlyWhatTheFolderDoesNotEndWith) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* suffix;
        const wchar_t* joined;
    };
    const Case cases[] = {
        {L"D:\\Apps", L"Kavrenco\\Sarvelio 6", L"D:\\Apps\\Kavrenco\\Sarvelio 6"},
        {L"D:\\Apps\\Kavrenco", L"Kavrenco\\Sarvelio 6", L"D:\\Apps\\Kavrenco\\Sarvelio 6"},
        {L"D:\\Apps\\Kavrenco\\Sarvelio 6", L"Kavrenco\\Sarvelio 6", L"D:\\Apps\\Kavrenco\\Sarvelio 6"},
        {L"D:\\Apps", L"Sarvelio 6", L"D:\\Apps\\Sarvelio 6"},
        {L"D:\\Apps\\Sarvelio 6", L"Sarvelio 6", L"D:\\Apps\\Sarvelio 6"},
        {L"D:\\Apps\\sarvelio 6\\", L"Sarvelio 6", L"D:\\Apps\\sarvelio 6"},          // case ignored
        {L"D:\\Apps\\KAVRENCO\\", L"Kavrenco\\Sarvelio 6\\", L"D:\\Apps\\KAVRENCO\\Sarvelio 6"},
        {L"D:\\Sarvelio 6\\Apps", L"Sarvelio 6", L"D:\\Sarvelio 6\\Apps\\Sarvelio 6"},  // only the end counts
        {L"D:\\", L"Sarvelio 6", L"D:\\Sarvelio 6"},
        {L"D:\\Apps", L"", L"D:\\Apps"},
    };
    for (const Case& c : cases) EXPECT_EQ(JoinWithSuffix(c.folder, c.suffix), c.joined) << c.folder << L" + " << c.suffix;
}

TEST(RemoveSuffix, DropsTheSuffixElementsOnlyWhenAllArePresent) {
    EXPECT_EQ(RemoveSuffix(L"D:\\Apps\\Kavrenco\\Sarvelio 6", L"Kavrenco\\Sarvelio 6"), L"D:\\Apps");
    EXPECT_EQ(RemoveSuffix(L"D:\\Apps\\Sarvelio 6", L"sarvelio 6"), L"D:\\Apps");
    EXPECT_EQ(RemoveSuffix(L"D:\\Sarvelio 6", L"Sarvelio 6"), L"D:\\");
    EXPECT_EQ(RemoveSuffix(L"D:\\Apps\\Other", L"Sarvelio 6"), L"D:\\Apps\\Other");
}

TEST(CleanSuffix, DropsTrailingDotsAndRefusesInvalidCharacters) {
    EXPECT_EQ(CleanSuffix(L"Sarvelio 6.."), L"Sarvelio 6");
    EXPECT_EQ(CleanSuffix(L"Kavrenco\\Sarvelio 6"), L"Kavrenco\\Sarvelio 6");
    EXPECT_EQ(CleanSuffix(L"Sarvelio*"), L"");
    EXPECT_EQ(CleanSuffix(L"Sar|velio"), L"");
    EXPECT_EQ(CleanSuffix(L"Sar<velio>"), L"");
}

TEST(RelativeFolderText, ReadsLikeAPathBelowTheBase) {
    const std::wstring base = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    EXPECT_EQ(RelativeFolderText(base, base + L"\\Programs\\Kavrenco\\Sarvelio 6"),
              std::optional<std::wstring>(L"Programs\\Kavrenco\\Sarvelio 6"));
    EXPECT_EQ(RelativeFolderText(base, base), std::optional<std::wstring>(L""));
    // A folder outside the base keeps its way up, so that it combines back to itself.
    const auto outside = RelativeFolderText(base, L"C:\\ProgramData\\Kavrenco");
    EXPECT_EQ(outside, std::optional<std::wstring>(L"..\\..\\..\\Kavrenco"));
    EXPECT_EQ(CombineFolder(base, outside.value_or(L"")), L"C:\\ProgramData\\Kavrenco");
    EXPECT_EQ(RelativeFolderText(base, L"Q:\\Menus"), std::nullopt) << "another drive";
    EXPECT_EQ(RelativeFolderText(base, L""), std::nullopt);
}

TEST(CombineFolder, AnAbsoluteTextReplacesTheBase) {
    const std::wstring base = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    EXPECT_EQ(CombineFolder(base, L"Programs\\Kavrenco"), base + L"\\Programs\\Kavrenco");
    EXPECT_EQ(CombineFolder(base, L""), base);
    EXPECT_EQ(CombineFolder(base, L"D:\\Menus"), L"D:\\Menus");
}

TEST(ValidateTypedFolder, AcceptsFoldersAndRefusesBadPaths) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring menu = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    struct Case {
        std::wstring typed;
        std::optional<std::wstring> base;
        bool accepted;
        std::wstring full;
        std::int32_t error;
    };
    const Case cases[] = {
        {L"  C:\\Apps\\Sarvelio 6\\  ", std::nullopt, true, L"C:\\Apps\\Sarvelio 6", 0},
        {L"D:", std::nullopt, true, L"D:\\", 0},
        {L"", std::nullopt, true, current, 0},
        {L"C:\\Apps\\a*b", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\Apps\\a|b", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\" + std::wstring(300, L'a'), std::nullopt, false, L"", static_cast<std::int32_t>(0x800700CE)},
        {L"Programs\\Kavrenco", menu, true, menu + L"\\Programs\\Kavrenco", 0},
        {L"Programs\\..\\Programs\\Kavrenco\\", menu, true, menu + L"\\Programs\\Kavrenco", 0},
        {L"..\\..\\Kavrenco", menu, false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\Apps", menu, false, L"", ERROR_BAD_PATHNAME},
        {menu + L"\\Programs", menu, true, menu + L"\\Programs", 0},
        {L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu Extra", menu, false, L"", ERROR_BAD_PATHNAME},
    };
    for (const Case& c : cases) {
        const TypedFolder got = ValidateTypedFolder(c.typed, c.base);
        SCOPED_TRACE(::testing::Message() << "typed: " << ::testing::PrintToString(c.typed));
        EXPECT_EQ(got.accepted, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(got.fullPath, c.full);
        } else {
            EXPECT_EQ(got.errorCode, c.error);
        }
    }
}

TEST(FolderBrowserFlags, AddTheValidatedEditBoxOnlyWithASuffix) {
    EXPECT_EQ(FolderBrowserFlags(true), 0x79u);
    EXPECT_EQ(FolderBrowserFlags(false), 0x49u);
}

}  // namespace
}  // namespace sv::ui
