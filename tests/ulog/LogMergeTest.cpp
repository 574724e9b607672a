// The previous installation's entries merged into this run's before the log is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "ulog/LogMerge.h"

namespace sv {
namespace {

LogEntry Entry(LogEntryKind kind, const char* path, bool completed = true) {
    LogEntry entry;
    entry.kind = kind;
    entry.path = Utf16String(path, path + std::char_traits<char>::length(path));
    entry.completed = completed;
    return entry;
}

// A stand-in for the file system's comparison: the same path whatever the letter case.
bool SameIgnoringCase(const Utf16String& a, const Utf16String& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](Utf16Char x, Utf16Char y) { return std::towlower(x) == std::towlower(y); });
}

std::vector<std::string> Describe(const LogEntryList& entries) {
    std::vector<std::string> out;
    for (const LogEntry& e : entries) {
        out.push_back(std::to_string(static_cast<int>(e.kind)) + ":" + std::string(e.path.begin(), e.path.end()));
    }
    return out;
}

constexpr auto kFolder = LogEntryKind::CreatedFolder;
constexpr auto kFile = LogEntryKind::InstalledFile;

TEST(LogMerge, SurvivorsFirstInOldOrderSupersededDropped) {
    LogEntryList previous{
        Entry(kFolder, "D:\\Old"),                       // survives
        Entry(kFolder, "D:\\Apps"),                      // this run created it again: dropped
        Entry(kFile, "D:\\Apps\\A.EXE"),                 // written again (other case): dropped
        Entry(kFile, "D:\\Apps\\gone.dll"),              // survives
        Entry(LogEntryKind::MenuShortcut, "old.lnk"),    // any new menu shortcut supersedes it
        Entry(LogEntryKind::DesktopShortcut, "desk.lnk"),  // no desktop shortcut this time: survives
        Entry(LogEntryKind::UninstallKey, ""),           // superseded by kind alone
        Entry(kFile, "C:\\Data\\stock.dat"),             // shared data kept by the rules: survives
    };
    LogEntryList entries{
        Entry(kFolder, "D:\\Apps"),
        Entry(kFile, "D:\\Apps\\a.exe"),
        Entry(kFolder, "D:\\Apps\\gone.dll"),  // same path, other kind: does not supersede the file
        Entry(LogEntryKind::MenuShortcut, "", false),
        Entry(LogEntryKind::UninstallKey, ""),
    };
    MergePreviousEntries(previous, entries, SameIgnoringCase);
    EXPECT_TRUE(previous.empty());
    EXPECT_EQ(Describe(entries), (std::vector<std::string>{
                                     "0:D:\\Old", "1:D:\\Apps\\gone.dll", "4:desk.lnk", "1:C:\\Data\\stock.dat",
                                     "0:D:\\Apps", "1:D:\\Apps\\a.exe", "0:D:\\Apps\\gone.dll", "2:", "5:"}));
}

TEST(LogMerge, NothingNewKeepsEveryOldEntry) {
    LogEntryList previous{Entry(kFolder, "D:\\A"), Entry(kFile, "D:\\A\\x"), Entry(LogEntryKind::ClassesRoot, "")};
    const LogEntryList copy = previous;
    LogEntryList entries;
    MergePreviousEntries(previous, entries, SameIgnoringCase);
    EXPECT_EQ(entries, copy);
}

// Twice the same old item: the later copy survives and supersedes the earlier one.
TEST(LogMerge, DuplicateOldEntriesCollapse) {
    LogEntryList previous{Entry(kFile, "D:\\A\\x"), Entry(LogEntryKind::MenuShortcut, "1.lnk"),
                          Entry(kFile, "D:\\a\\X"), Entry(LogEntryKind::MenuShortcut, "2.lnk")};
    LogEntryList entries;
    MergePreviousEntries(previous, entries, SameIgnoringCase);
    EXPECT_EQ(Describe(entries), (std::vector<std::string>{"1:D:\\a\\X", "2:2.lnk"}));
}

}  // namespace
}  // namespace sv
