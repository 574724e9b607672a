// The exact bytes of Uninstall.ulog: the separate uninstaller reads this format.
#include <gtest/gtest.h>

#include "UlogTestText.h"
#include "ulog/UlogReader.h"
#include "ulog/UlogWriter.h"

namespace sv {
namespace {

LogEntry Entry(LogEntryKind kind, std::int32_t value, bool completed, Utf16String path = {}) {
    LogEntry entry;
    entry.kind = kind;
    entry.value = value;
    entry.completed = completed;
    entry.path = std::move(path);
    return entry;
}

// A first installation into a new folder, every kind of entry once.
LogEntryList FirstRun() {
    return {
        Entry(LogEntryKind::CreatedFolder, -1, true, SV_UTF16("D:\\Apps\\Tools")),
        Entry(LogEntryKind::InstalledFile, 1, true, SV_UTF16("D:\\Apps\\Tools\\Sarvelio.exe")),
        Entry(LogEntryKind::InstalledFile, 2, true, SV_UTF16("D:\\Apps\\Tools\\Uninstall.exe")),
        Entry(LogEntryKind::InstalledFile, 3, true, SV_UTF16("C:\\ProgramData\\Kavrenco\\stock.dat")),
        Entry(LogEntryKind::InstalledFile, 4, false, SV_UTF16("C:\\Users\\Public\\Documents\\sample.sv")),
        Entry(LogEntryKind::InstalledFile, 7, true, SV_UTF16("D:\\Apps\\Tools\\extra.bin")),
        Entry(LogEntryKind::MenuShortcut, -1, true, SV_UTF16("C:\\Menu\\Tools\\Sarvelix.lnk")),
        Entry(LogEntryKind::UninstallShortcut, -1, false),
        Entry(LogEntryKind::DesktopShortcut, -1, true, SV_UTF16("C:\\Users\\Public\\Desktop\\Sarvelix.lnk")),
        Entry(LogEntryKind::UninstallKey, -1, true),
        Entry(LogEntryKind::ClassesRoot, -1, false),
    };
}

UlogHeader Header(Utf16String previous, Utf16String menu) {
    return {SV_UTF16("Sarvelio 6.04h"), std::move(previous), SV_UTF16("D:\\Apps\\Tools"), std::move(menu),
            SV_UTF16("Sarvelio 6")};
}

constexpr const char* kFirstRunLines =
    "0000:00ff:1 -- D:\\Apps\\Tools\r\n"
    "0001:0101:1 -- D:\\Apps\\Tools\\Sarvelio.exe\r\n"
    "0002:0102:1 -- D:\\Apps\\Tools\\Uninstall.exe\r\n"
    "0003:0103:1 -- C:\\ProgramData\\Kavrenco\\stock.dat\r\n"
    "0004:0104:0 -- C:\\Users\\Public\\Documents\\sample.sv\r\n"
    "0005:0107:1 -- D:\\Apps\\Tools\\extra.bin\r\n"
    "0006:02ff:1 -- C:\\Menu\\Tools\\Sarvelix.lnk\r\n"
    "0007:03ff:0 -- \r\n"
    "0008:04ff:1 -- C:\\Users\\Public\\Desktop\\Sarvelix.lnk\r\n"
    "0009:05ff:1 -- HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sarvelio 6\r\n"
    "0010:06ff:0 -- HKEY_CLASSES_ROOT\\...\r\n";

TEST(UlogWriter, FirstInstallationIsByteExact) {
    const std::string expected = test::Utf16LeFile(
        std::string("// Uninstall Log File v1\r\n"
                    "// ############ WARNING: Do not delete or modify this file. ############\r\n"
                    "// Install Sarvelio 6.04h\r\n"
                    "// Install Path : D:\\Apps\\Tools\r\n"
                    "// Shortcut Path : C:\\Menu\\Tools\r\n"
                    "// -----------------------------\r\n") +
        kFirstRunLines);
    EXPECT_EQ(FormatUlogFile(Header({}, SV_UTF16("C:\\Menu\\Tools")), FirstRun()), expected);
}

TEST(UlogWriter, UpdateCarriesOneStepOfHistoryAndEmptyMenuFolderGetsSixteenHyphens) {
    const std::string expected = test::Utf16LeFile(
        std::string("// Uninstall Log File v1\r\n"
                    "// ############ WARNING: Do not delete or modify this file. ############\r\n"
                    "// Install Sarvelio 6.04h -- Update (Sarvelio 6.04g)\r\n"
                    "// Install Path : D:\\Apps\\Tools\r\n"
                    "// Shortcut Path : \r\n"
                    "// ----------------\r\n") +
        kFirstRunLines);
    EXPECT_EQ(FormatUlogFile(Header(SV_UTF16("Sarvelio 6.04g"), {}), FirstRun()), expected);
}

TEST(UlogWriter, IndexesPastFourDigitsKeepAllDigits) {
    LogEntryList entries(10001, Entry(LogEntryKind::InstalledFile, 0, true, SV_UTF16("x")));
    const auto lines = FormatUlogLines(Header({}, {}), entries);
    ASSERT_EQ(lines.size(), 6u + 10001u);
    EXPECT_EQ(lines[6 + 9999], SV_UTF16("9999:0100:1 -- x\r\n"));
    EXPECT_EQ(lines.back(), SV_UTF16("10000:0100:1 -- x\r\n"));
}

TEST(UlogWriter, NonAsciiTextIsWrittenAsUtf16LittleEndian) {
    LogEntry entry = Entry(LogEntryKind::InstalledFile, 0, true, SV_UTF16("D:\\\u00e9\u4e2d\U0001F600"));
    const std::string line = Utf16LeBytes(FormatEntryLine(0, entry, {}));
    EXPECT_EQ(line.substr(line.size() - 10), std::string("\x5C\x00\xE9\x00\x2D\x4E\x3D\xD8\x00\xDE", 10));
}

// Line 3 is never longer than the reader accepts, whatever the previous log held.
TEST(UlogWriter, LongUpdateHistoryIsShortenedToStayReadable) {
    const Utf16String previous(2000, Utf16Char('p'));
    const std::string file = FormatUlogFile(Header(previous, SV_UTF16("C:\\M")), FirstRun());
    UlogStop stop{};
    const PreviousLog back = ReadUlogText(file, &stop);
    EXPECT_EQ(stop, UlogStop::endOfFile);
    EXPECT_EQ(back.entries.size(), FirstRun().size());
    EXPECT_EQ(back.installText, SV_UTF16("Sarvelio 6.04h"));
    const Utf16String line3 = FormatUlogLines(Header(previous, {}), {})[2];
    EXPECT_EQ(line3.size() * 2, kUlogLineLimitBytes);  // shortened to the limit, not further
    EXPECT_EQ(line3.substr(line3.size() - 5), SV_UTF16("pp)\r\n"));
}

TEST(UlogWriter, WrittenLogReadsBack) {
    const LogEntryList entries = FirstRun();
    UlogStop stop{};
    const PreviousLog back =
        ReadUlogText(FormatUlogFile(Header(SV_UTF16("Sarvelio 6.04f"), SV_UTF16("C:\\Menu\\Tools")), entries), &stop);
    EXPECT_EQ(stop, UlogStop::endOfFile);
    EXPECT_EQ(back.version, 1);
    EXPECT_EQ(back.installText, SV_UTF16("Sarvelio 6.04h"));  // the update part is not carried twice
    EXPECT_EQ(back.installPath, SV_UTF16("D:\\Apps\\Tools"));
    EXPECT_EQ(back.shortcutPath, SV_UTF16("C:\\Menu\\Tools"));
    LogEntryList expected = entries;
    for (LogEntry& entry : expected) {
        if (entry.kind == LogEntryKind::UninstallKey || entry.kind == LogEntryKind::ClassesRoot) entry.path.clear();
    }
    EXPECT_EQ(back.entries, expected);
}

// A log written with an empty start-menu folder keeps its entries when it is read again.
TEST(UlogWriter, LogWithEmptyFoldersReadsBack) {
    UlogHeader header = Header({}, {});
    header.installFolder.clear();
    UlogStop stop{};
    const PreviousLog back = ReadUlogText(FormatUlogFile(header, FirstRun()), &stop);
    EXPECT_EQ(stop, UlogStop::endOfFile);
    EXPECT_EQ(back.installPath, Utf16String());
    EXPECT_EQ(back.shortcutPath, Utf16String());
    EXPECT_EQ(back.entries.size(), FirstRun().size());
}

// The longest lines this program writes (260-character paths, six-digit indexes) stay readable.
TEST(UlogWriter, LongestWrittenLinesStayWithinTheReadersLimit) {
    const Utf16String longPath = SV_UTF16("C:\\") + Utf16String(257, Utf16Char('a'));
    UlogHeader header = Header(SV_UTF16("Sarvelio 6.04g"), longPath);
    header.installFolder = longPath;
    const LogEntry entry = Entry(LogEntryKind::InstalledFile, 0, true, longPath);
    std::string file(kUtf16LeByteOrderMark, 2);
    for (const Utf16String& line : FormatUlogLines(header, {})) file += Utf16LeBytes(line);
    file += Utf16LeBytes(FormatEntryLine(999999, entry, {}) + SV_UTF16("\r\n"));
    UlogStop stop{};
    const PreviousLog back = ReadUlogText(file, &stop);
    EXPECT_EQ(stop, UlogStop::endOfFile);
    EXPECT_EQ(back.installPath, longPath);
    EXPECT_EQ(back.shortcutPath, longPath);
    EXPECT_EQ(back.entries, LogEntryList{entry});
}

}  // namespace
}  // namespace sv
