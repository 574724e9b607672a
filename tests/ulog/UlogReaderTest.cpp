// Reading a previous Uninstall.ulog: encodings, headers, entry fields, and where reading ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UlogTestText.h"
#include "ulog/UlogReader.h"
#include "ulog/UlogWriter.h"

namespace sv {
namespace {

using test::HeaderText;
using test::Utf16LeFile;

struct Expected {
    LogEntryKind kind;
    std::int32_t value;
    bool completed;
    std::string path;  // ASCII
};

struct ReadCase {
    const char* name;
    std::string bytes;
    std::vector<Expected> entries;
    UlogStop stop;
};

LogEntryList ToEntries(const std::vector<Expected>& expected) {
    LogEntryList list;
    for (const Expected& e : expected) {
        LogEntry& entry = list.emplace_back();
        entry.kind = e.kind;
        entry.value = e.value;
        entry.completed = e.completed;
        entry.path = Utf16String(e.path.begin(), e.path.end());
    }
    return list;
}

constexpr auto kFile = LogEntryKind::InstalledFile;

std::vector<ReadCase> Cases() {
    const std::string h = HeaderText();
    return {
        {"EightBitWithoutMark", h + "0003:0104:0 -- D:\\Data\\x.dat\r\n", {{kFile, 4, false, "D:\\Data\\x.dat"}},
         UlogStop::endOfFile},
        {"Utf16", Utf16LeFile(h + "0003:0104:0 -- D:\\Data\\x.dat\r\n"), {{kFile, 4, false, "D:\\Data\\x.dat"}},
         UlogStop::endOfFile},
        {"KindSevenEndsReading", Utf16LeFile(h + "0000:0100:1 -- a\r\n0001:0701:1 -- b\r\n0002:0100:1 -- c\r\n"),
         {{kFile, 0, true, "a"}}, UlogStop::badEntry},
        {"SeparatorAtLineEndGivesEmptyPath", Utf16LeFile(h + "0000:0100:1 --\r\n0001:0100:1 --   \r\n"),
         {{kFile, 0, true, ""}, {kFile, 0, true, ""}}, UlogStop::endOfFile},
        {"WhiteSpaceTrimmed", Utf16LeFile(h + " \t0004 : 0100 :\t1   --  \t D:\\a b.txt \t \x0b\x0c\r\n"),
         {{kFile, 0, true, "D:\\a b.txt"}}, UlogStop::endOfFile},
        {"IndexNotComparedWithPosition", Utf16LeFile(h + "0042:0100:1 -- a\r\n7:0100:0 -- b\r\n"),
         {{kFile, 0, true, "a"}, {kFile, 0, false, "b"}}, UlogStop::endOfFile},
        {"AllKindsAndValues",
         Utf16LeFile(h + "0:00ff:1 -- D:\\F\r\n1:02FF:1 -- m.lnk\r\n2:03ff:0 -- \r\n3:04ff:1 -- d.lnk\r\n"
                         "4:05ff:1 -- HKEY_LOCAL_MACHINE\\x\r\n5:06ff:0 -- HKEY_CLASSES_ROOT\\...\r\n"
                         "6:0x0500:1 -- kept out\r\n"),
         {{LogEntryKind::CreatedFolder, -1, true, "D:\\F"},
          {LogEntryKind::MenuShortcut, -1, true, "m.lnk"},
          {LogEntryKind::UninstallShortcut, -1, false, ""},
          {LogEntryKind::DesktopShortcut, -1, true, "d.lnk"},
          {LogEntryKind::UninstallKey, -1, true, ""},
          {LogEntryKind::ClassesRoot, -1, false, ""},
          {LogEntryKind::UninstallKey, 0, true, ""}},
         UlogStop::endOfFile},
        {"EmptyLinesSkippedAndNotCounted",
         Utf16LeFile("\r\n  \r\n" + h.substr(0, 26) + "\r\n\t\r\n" + h.substr(26) + "\r\n0000:0100:1 -- a\r\n"),
         {{kFile, 0, true, "a"}}, UlogStop::endOfFile},
        // A write cut off part-way: what is left of a path must not come back as an entry.
        {"CutLastLineIsNotRead", Utf16LeFile(h + "0000:0100:1 -- a\r\n0001:0101:1 -- D:\\Da"),
         {{kFile, 0, true, "a"}}, UlogStop::cutLine},
        {"CutLastLineEightBit", h + "0000:0100:1 -- a\r\n0001:0101:1 -- D:\\Da", {{kFile, 0, true, "a"}},
         UlogStop::cutLine},
        {"CutInTheHeader", Utf16LeFile(h.substr(0, 60)), {}, UlogStop::cutLine},
        {"CutBeforeTheLineFeed", Utf16LeFile(h + "0000:0100:1 -- a\r\n0001:0101:1 -- b\r"),
         {{kFile, 0, true, "a"}}, UlogStop::cutLine},
        {"TrailingWhiteSpaceWithoutLineEnd", Utf16LeFile(h + "0000:0100:1 -- a\r\n \t"), {{kFile, 0, true, "a"}},
         UlogStop::endOfFile},
        {"CommentsLaterAreIgnored", Utf16LeFile(h + "0000:0100:1 -- a\r\n// note\r\n0001:0100:1 -- b\r\n"),
         {{kFile, 0, true, "a"}, {kFile, 0, true, "b"}}, UlogStop::endOfFile},
        // malformed headers and entries
        {"VersionTwoReadsNothing", Utf16LeFile("// Uninstall Log File v2\r\n0000:0100:1 -- a\r\n"), {},
         UlogStop::badVersion},
        {"NoVersionLineReadsNothing", Utf16LeFile("0000:0100:1 -- a\r\n"), {}, UlogStop::badVersion},
        {"FirstCommentWithoutVersion", Utf16LeFile("// hello\r\n0000:0100:1 -- a\r\n"), {}, UlogStop::badVersion},
        {"MissingInstallLabel", Utf16LeFile("// Uninstall Log File v1\r\n// w\r\n// Setup X\r\n0000:0100:1 -- a\r\n"),
         {}, UlogStop::badHeader},
        {"MissingInstallPathLabel",
         Utf16LeFile("// Uninstall Log File v1\r\n// w\r\n// Install X\r\n// Path D:\\\r\n0000:0100:1 -- a\r\n"), {},
         UlogStop::badHeader},
        {"EntryBeforeHeaderEnd", Utf16LeFile("// Uninstall Log File v1\r\n0000:0100:1 -- a\r\n// Setup X\r\n"),
         {{kFile, 0, true, "a"}}, UlogStop::badHeader},
        {"NegativeIndex", Utf16LeFile(h + "-1:0100:1 -- a\r\n"), {}, UlogStop::badEntry},
        {"WordAboveRange", Utf16LeFile(h + "0:0700:1 -- a\r\n"), {}, UlogStop::badEntry},
        {"NegativeWord", Utf16LeFile(h + "0:-1:1 -- a\r\n"), {}, UlogStop::badEntry},
        {"HugeIndex", Utf16LeFile(h + "99999999999999999999:0100:1 -- a\r\n"), {}, UlogStop::badEntry},
        {"CompletedNotZeroOrOne", Utf16LeFile(h + "0:0100:2 -- a\r\n"), {}, UlogStop::badEntry},
        {"SeparatorGluedToPath", Utf16LeFile(h + "0:0100:1 --a\r\n"), {}, UlogStop::badEntry},
        {"MissingColon", Utf16LeFile(h + "0 0100:1 -- a\r\n"), {}, UlogStop::badEntry},
        {"MissingSeparator", Utf16LeFile(h + "0:0100:1\r\n"), {}, UlogStop::badEntry},
        {"NulCharacterEndsReading", Utf16LeFile(h + "0:0100:1 -- a\r\n1:0100:1 -- b") + std::string("\0\0", 2) +
                                        Utf16LeFile("c\r\n2:0100:1 -- d\r\n", false),
         {{kFile, 0, true, "a"}}, UlogStop::nulCharacter},
        {"OddTrailingByteIgnored", Utf16LeFile(h + "0:0100:1 -- a\r\n") + "x", {{kFile, 0, true, "a"}},
         UlogStop::endOfFile},
        {"EmptyFile", "", {}, UlogStop::endOfFile},
        {"MarkOnly", "\xFF\xFE", {}, UlogStop::endOfFile},
        {"SingleByte", "\xFF", {}, UlogStop::cutLine},
    };
}

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class UlogReaderCases : public testing::TestWithParam<ReadCase> {};

TEST_P(UlogReaderCases, ReadsTheEntriesBeforeTheEnd) {
    const ReadCase& c = GetParam();
    UlogStop stop{};
    const PreviousLog log = ReadUlogText(c.bytes, &stop);
    EXPECT_EQ(stop, c.stop);
    EXPECT_EQ(log.entries, ToEntries(c.entries));

    // Fed a byte at a time, the reader comes to the same result.
    UlogReader pieces;
    for (std::size_t i = 0; i < c.bytes.size() && pieces.Feed(std::string_view(c.bytes).substr(i, 1)); ++i) {
    }
    pieces.Finish();
    EXPECT_EQ(pieces.Stop(), c.stop);
    EXPECT_EQ(pieces.Result().entries, log.entries);
}

INSTANTIATE_TEST_SUITE_P(Cases, UlogReaderCases, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(UlogReader, HeaderFieldsTrimmedAndUpdatePartCut) {
    const std::string text = "\r\n//// Uninstall Log File v1\r\n// w\r\n"
                             "///\t  Install   Sarvelio 6.04g  -- Update (Sarvelio 6.04f)  \r\n"
                             "//Install Path :    D:\\Apps\\Tools   \r\n"
                             "//  Shortcut Path : C:\\Menu \r\n// -\r\n";
    const PreviousLog log = ReadUlogText(Utf16LeFile(text));
    EXPECT_EQ(log.version, 1);
    EXPECT_EQ(log.installText, SV_UTF16("Sarvelio 6.04g"));
    EXPECT_EQ(log.installPath, SV_UTF16("D:\\Apps\\Tools"));
    EXPECT_EQ(log.shortcutPath, SV_UTF16("C:\\Menu"));
}

// Written with an empty folder, the label's trailing space goes with the line's trailing space.
TEST(UlogReader, EmptyFolderHeadersKeepReading) {
    const PreviousLog log =
        ReadUlogText(Utf16LeFile(HeaderText("", "") + "0000:0100:1 -- a\r\n"));
    EXPECT_EQ(log.installPath, Utf16String());
    EXPECT_EQ(log.shortcutPath, Utf16String());
    EXPECT_EQ(log.entries.size(), 1u);
}

// A line of 1,024 bytes is read; one byte more ends reading and keeps what came before.
TEST(UlogReader, LinesOverTheLimitEndReading) {
    for (const bool utf16 : {false, true}) {
        const std::size_t unit = utf16 ? 2 : 1;
        const std::string prefix = "0000:0100:1 -- ";
        const std::size_t pathUnits = kUlogLineLimitBytes / unit - prefix.size() - 2;  // CR LF
        const std::string fits = prefix + std::string(pathUnits, 'a') + "\r\n";
        const std::string tooLong = prefix + std::string(pathUnits + 1, 'b') + "\r\n";
        const std::string text = HeaderText() + fits + tooLong + "0002:0100:1 -- c\r\n";
        UlogStop stop{};
        const PreviousLog log = ReadUlogText(utf16 ? Utf16LeFile(text) : text, &stop);
        EXPECT_EQ(stop, UlogStop::lineTooLong) << utf16;
        ASSERT_EQ(log.entries.size(), 1u) << utf16;
        EXPECT_EQ(log.entries.front().path.size(), pathUnits) << utf16;
    }
}

// On the first line the byte-order mark counts.
TEST(UlogReader, MarkCountsOnTheFirstLine) {
    const std::string first = "// Uninstall Log File v1" + std::string(1024 / 2 - 24 - 2, ' ') + "\r\n";
    ASSERT_EQ(first.size() * 2, 1024u);
    UlogStop stop{};
    ReadUlogText(Utf16LeFile(first), &stop);
    EXPECT_EQ(stop, UlogStop::lineTooLong);
    ReadUlogText(Utf16LeFile(first.substr(1)), &stop);  // "/ Uninstall..." is no header, but fits
    EXPECT_EQ(stop, UlogStop::badVersion);
}

TEST(UlogReader, EightBitLinesAreUtf8OrWindows1252) {
    struct {
        std::string bytes;
        Utf16String text;
    } const cases[] = {
        {"D:\\caf\xC3\xA9", SV_UTF16("D:\\caf\u00e9")},
        {"D:\\\xE2\x82\xAC\xF0\x9F\x98\x80", SV_UTF16("D:\\\u20ac\U0001F600")},
        {"D:\\caf\xE9 \x80", SV_UTF16("D:\\caf\u00e9 \u20ac")},             // not UTF-8: Windows-1252
        {"\xC0\xAF", SV_UTF16("\u00c0\u00af")},                             // overlong form refused
        {"\xED\xA0\x80", SV_UTF16("\u00ed\u00a0\u20ac")},                   // encoded surrogate refused
    };
    for (const auto& c : cases) EXPECT_EQ(WidenNarrowLine(c.bytes), c.text);

    const PreviousLog log = ReadUlogText("\xEF\xBB\xBF" + HeaderText() + "0:0100:1 -- D:\\caf\xC3\xA9\r\n");
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries.front().path, SV_UTF16("D:\\caf\u00e9"));
}

}  // namespace
}  // namespace sv
