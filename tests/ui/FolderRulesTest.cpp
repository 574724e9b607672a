// The folder picker's path rules, under Wine (the platform's path functions).
#include <gtest/gtest.h>

#include <windows.h>

#include "ui/DlgShortcut.h"
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

TEST(IsFolderOnDrive, OnlyAbsolutePathsOnADriveLetter) {
    struct Case {
        const wchar_t* path;
        bool onDrive;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Kavrenco", true},
        {L"d:\\", true},
        {L"D:/Apps", true},
        {L"", false},
        {L"Apps\\Sarvelio 6", false},             // relative to the current folder
        {L"\\Apps", false},                       // relative to the current drive
        {L"C:Apps", false},                        // relative to the current folder of C:
        {L"C:", false},
        {L"\\\\server\\share\\Apps", false},       // network
        {L"\\\\?\\C:\\Apps", false},               // device namespace
        {L"\\\\.\\C:\\Apps", false},
        {L"1:\\Apps", false},
        {L"C:\\Apps\\a|b", false},
        {L"C:\\Apps\\a*", false},
        {L"C:\\Apps\\a:b", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsFolderOnDrive(c.path), c.onDrive) << ::testing::PrintToString(std::wstring(c.path));
}

TEST(ValidateTypedFolder, AcceptsFoldersAndRefusesBadPaths) {
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
        {L"C:\\Apps\\..\\Tools", std::nullopt, true, L"C:\\Tools", 0},
        // Nothing typed, or a text that is no folder on a drive, would name the folder the
        // installer was started from (or one that is not ours to decide): refused.
        {L"", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"   ", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"Apps\\Sarvelio 6", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"\\Apps", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"C:Apps", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"\\\\server\\share\\Apps", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"\\\\?\\C:\\Apps", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\Apps\\a*b", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\Apps\\a|b", std::nullopt, false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\" + std::wstring(300, L'a'), std::nullopt, false, L"", static_cast<std::int32_t>(0x800700CE)},
        {L"Programs\\Kavrenco", menu, true, menu + L"\\Programs\\Kavrenco", 0},
        {L"Programs\\..\\Programs\\Kavrenco\\", menu, true, menu + L"\\Programs\\Kavrenco", 0},
        {L"..\\..\\Kavrenco", menu, false, L"", ERROR_BAD_PATHNAME},
        {L"C:\\Apps", menu, false, L"", ERROR_BAD_PATHNAME},
        {menu + L"\\Programs", menu, true, menu + L"\\Programs", 0},
        {L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu Extra", menu, false, L"", ERROR_BAD_PATHNAME},
        {L"", menu, false, L"", ERROR_BAD_PATHNAME},
        {L"\\\\server\\share", menu, false, L"", ERROR_BAD_PATHNAME},
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

TEST(MenuFolderText, RelativeInsideTheStartMenuElseTheFullPath) {
    const std::wstring menu = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    struct Case {
        std::wstring folder;
        std::wstring shown;
    };
    const Case cases[] = {
        {menu + L"\\Programs\\Kavrenco\\Sarvelio 6", L"Programs\\Kavrenco\\Sarvelio 6"},
        {menu, L""},
        {L"Q:\\Menus\\Sarvelio 6", L"Q:\\Menus\\Sarvelio 6"},  // another drive: no relative path
        {L"C:\\ProgramData\\Kavrenco", L"C:\\ProgramData\\Kavrenco"},  // outside, same drive
        {L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.folder));
        const std::wstring shown = MenuFolderText(menu, c.folder);
        EXPECT_EQ(shown, c.shown);
        // What is shown saves back to the folder itself (the Start Menu for an empty folder).
        EXPECT_EQ(CombineFolder(menu, shown), c.folder.empty() ? menu : c.folder);
    }
}

TEST(FolderBrowserFlags, AddTheValidatedEditBoxOnlyWithASuffix) {
    EXPECT_EQ(FolderBrowserFlags(true), 0x79u);
    EXPECT_EQ(FolderBrowserFlags(false), 0x49u);
}

}  // namespace
}  // namespace sv::ui
