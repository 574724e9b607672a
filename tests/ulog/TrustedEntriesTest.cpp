// Which paths and entries of a previous log are used: table of hostile and ordinary shapes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ulog/TrustedEntries.h"

namespace sv {
namespace {

Utf16String U(const std::string& ascii) { return Utf16String(ascii.begin(), ascii.end()); }

struct PathCase {
    const char* path;
    bool plain;
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.path; }

class PlainDrivePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(PlainDrivePath, OnlyAbsoluteDrivePathsWithoutEscapes) {
    EXPECT_EQ(IsPlainDrivePath(U(GetParam().path)), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PlainDrivePath,
    ::testing::Values(PathCase{"C:\\Program Files\\Kavrenco\\Sarvelix 6", true},
                      PathCase{"d:\\Data\\x.dat", true},
                      PathCase{"C:\\", true},
                      PathCase{"C:\\Kavrenco\\", true},              // a trailing separator
                      PathCase{"C:/Kavrenco/Sarvelix 6", true},      // forward separators
                      PathCase{"C:\\a..b\\.hidden\\x.", true},        // dots inside names are names
                      PathCase{"", false},
                      PathCase{"C:", false},                          // relative to the drive's folder
                      PathCase{"C:Windows\\x.dll", false},
                      PathCase{"Windows\\x.dll", false},              // relative
                      PathCase{"\\Windows\\x.dll", false},            // rooted on the current drive
                      PathCase{"\\\\server\\share\\x.dll", false},    // UNC
                      PathCase{"//server/share/x.dll", false},
                      PathCase{"\\\\?\\C:\\Windows\\x.dll", false},   // no parsing of the rest
                      PathCase{"\\\\.\\C:\\Windows\\x.dll", false},   // device namespace
                      PathCase{"\\??\\C:\\Windows\\x.dll", false},
                      PathCase{"1:\\x", false},
                      PathCase{"C:\\Program Files\\..\\Windows\\x.dll", false},
                      PathCase{"C:\\Program Files\\Kavrenco\\..", false},
                      PathCase{"C:\\Program Files\\.\\x.dll", false},
                      PathCase{"C:\\Program Files\\...\\x.dll", false},  // read as ".." by older systems
                      PathCase{"C:\\Program Files\\.. \\x.dll", false},  // trailing space trimmed to ".."
                      PathCase{"C:/Program Files/../Windows", false},
                      PathCase{"C:\\Data\\x.dat:stream", false},          // alternate data stream
                      PathCase{"C:\\Data\\C:\\x.dat", false}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return "Case" + std::to_string(info.index); });

TEST(BelowFolder, NeedsAnElementBelowTheWholeFolderName) {
    const Utf16String menu = U("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
    EXPECT_TRUE(IsBelowFolder(U("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\K\\S.lnk"), menu));
    EXPECT_TRUE(IsBelowFolder(U("c:\\programdata\\microsoft\\windows\\start menu\\programs\\S.lnk"), menu));
    EXPECT_TRUE(IsBelowFolder(U("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\S.lnk"), menu + U("\\")));
    EXPECT_FALSE(IsBelowFolder(menu, menu));
    EXPECT_FALSE(IsBelowFolder(menu + U("\\"), menu));
    EXPECT_FALSE(IsBelowFolder(U("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs2\\S.lnk"), menu));
    EXPECT_FALSE(IsBelowFolder(U("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\S.lnk"), menu));
    EXPECT_FALSE(IsBelowFolder(U("C:\\S.lnk"), U("")));
}

struct EntryCase {
    const char* label;
    LogEntryKind kind;
    const char* path;
    bool trusted;
};

void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.label; }

const std::vector<Utf16String>& ShortcutFolders() {
    static const std::vector<Utf16String> folders{U("C:\\ProgramData\\Start Menu\\Programs"), U("C:\\Users\\Public\\Desktop"),
                                                  U("C:\\Users\\al\\Desktop")};
    return folders;
}

class TrustedEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(TrustedEntry, KeptOnlyWhenItsPathHasTheWrittenShape) {
    const EntryCase& c = GetParam();
    LogEntry entry;
    entry.kind = c.kind;
    entry.path = U(c.path);
    EXPECT_EQ(IsTrustedEntry(entry, ShortcutFolders()), c.trusted);
}

constexpr auto kFolder = LogEntryKind::CreatedFolder;
constexpr auto kFile = LogEntryKind::InstalledFile;
constexpr auto kMenu = LogEntryKind::MenuShortcut;
constexpr auto kUninstallLink = LogEntryKind::UninstallShortcut;
constexpr auto kDesktop = LogEntryKind::DesktopShortcut;

INSTANTIATE_TEST_SUITE_P(
    Entries, TrustedEntry,
    ::testing::Values(
        EntryCase{"FolderOfTheProduct", kFolder, "C:\\Program Files\\Kavrenco", true},
        EntryCase{"FileOfTheProduct", kFile, "C:\\Program Files\\Kavrenco\\Sarvelix 6\\Sarvelio.exe", true},
        EntryCase{"FileOnUncShare", kFile, "\\\\attacker\\share\\x.dll", false},
        EntryCase{"FileThroughDotDot", kFile, "C:\\Program Files\\Kavrenco\\..\\..\\Windows\\win.ini", false},
        EntryCase{"FileWithoutPath", kFile, "", false},
        EntryCase{"FolderRelative", kFolder, "Windows", false},
        EntryCase{"MenuLinkInStartMenu", kMenu, "C:\\ProgramData\\Start Menu\\Programs\\Kavrenco\\Sarvelix 6.04h.lnk", true},
        EntryCase{"UninstallLinkInStartMenu", kUninstallLink,
                  "C:\\ProgramData\\Start Menu\\Programs\\Kavrenco\\Uninstall Sarvelix.lnk", true},
        EntryCase{"DesktopLinkOnCommonDesktop", kDesktop, "C:\\Users\\Public\\Desktop\\Sarvelix 6.04h.LNK", true},
        EntryCase{"DesktopLinkOnOwnDesktop", kDesktop, "C:\\Users\\al\\Desktop\\Sarvelix 6.04h.lnk", true},
        EntryCase{"LinkNeverCreated", kMenu, "", true},
        EntryCase{"LinkNamingAProgram", kMenu, "C:\\ProgramData\\Start Menu\\Programs\\Kavrenco\\Sarvelio.exe", false},
        EntryCase{"LinkOutsideTheShortcutFolders", kDesktop, "C:\\Windows\\System32\\x.lnk", false},
        EntryCase{"LinkBesideTheFolderName", kDesktop, "C:\\Users\\Public\\Desktop2\\x.lnk", false},
        EntryCase{"LinkEscapingTheFolder", kMenu, "C:\\ProgramData\\Start Menu\\Programs\\..\\..\\x.lnk", false},
        EntryCase{"LinkOnUncShare", kMenu, "\\\\server\\share\\Start Menu\\Programs\\x.lnk", false},
        EntryCase{"LinkStream", kDesktop, "C:\\Users\\Public\\Desktop\\x.lnk:evil", false},
        EntryCase{"RegistryEntry", LogEntryKind::UninstallKey, "", true},
        EntryCase{"ClassesEntry", LogEntryKind::ClassesRoot, "", true}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.label); });

TEST(TrustedEntries, DroppingKeepsTheOrderOfTheRest) {
    LogEntryList entries;
    for (const char* path : {"C:\\P\\a.dat", "\\\\s\\x\\b.dat", "C:\\P\\c.dat", "C:\\P\\..\\d.dat", "C:\\P\\e.dat"}) {
        LogEntry& entry = entries.emplace_back();
        entry.kind = kFile;
        entry.path = U(path);
    }
    DropUntrustedEntries(entries, ShortcutFolders());
    std::vector<Utf16String> kept;
    for (const LogEntry& entry : entries) kept.push_back(entry.path);
    EXPECT_EQ(kept, (std::vector<Utf16String>{U("C:\\P\\a.dat"), U("C:\\P\\c.dat"), U("C:\\P\\e.dat")}));
}

}  // namespace
}  // namespace sv
