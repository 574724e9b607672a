// The write operation fed directly with the decompressed archive, in blocks of every size, and the
// destination placeholders.
#include <gtest/gtest.h>

#include <algorithm>
#include <system_error>

#include "PayloadTestSupport.h"
#include "payload/CompressCategory.h"
#include "payload/ExtractionState.h"
#include "payload/PathText.h"

namespace sv::test {
namespace {

namespace fs = std::filesystem;

// Offers the archive in blocks of at most blockSize bytes, offering the rest of a block again
// while the write operation accepts less, as the decompression pipeline does.
std::vector<std::size_t> Feed(ExtractionState& state, std::string_view archive, std::size_t blockSize) {
    std::vector<std::size_t> accepted;
    for (std::size_t offset = 0; offset < archive.size();) {
        const std::size_t block = std::min(blockSize, archive.size() - offset);
        for (std::size_t done = 0; done < block;) {
            const std::size_t n = state.Write(archive.data() + offset + done, block - done);
            accepted.push_back(n);
            done += n;
        }
        offset += block;
    }
    state.CompleteTrailingEmptyEntries();
    return accepted;
}

std::error_code CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::system_error& e) {
        return e.code();
    }
    return {};
}

class WriteOperationTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    TestFileSystem files;
    RecordingObserver observer;

    // Entries of size 0 in the middle of the table and at its end.
    std::vector<ArchiveEntry> entries = {
        Entry("C:\\build\\first.dll", "<InstallPath>\\Lang", std::string(100, 'a')),
        Entry("empty-middle.dat", "<InstallPath>", ""),
        Entry("/build/second.bin", "<InstallPath>", std::string(5000, 'b'), 1),
        Entry("empty-end-1.dat", "<InstallPath>\\Data", ""),
        Entry("empty-end-2.dat", "<InstallPath>\\Data", ""),
    };
    std::string archive = RawArchive(entries);

    ExtractionState MakeState() {
        return ExtractionState(sandbox.Path("install"), {}, {}, observer.Callable(), files);
    }
    fs::path Installed(std::string_view relative) const { return sandbox.Root() / "install" / relative; }
};

class BlockSizeTest : public WriteOperationTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(BlockSizeTest, WritesEveryEntryWhateverTheBlockSize) {
    ExtractionState state = MakeState();
    Feed(state, archive, GetParam());

    ASSERT_TRUE(state.IsComplete());
    EXPECT_EQ(ReadFileBytes(Installed("Lang/first.dll")), std::string(100, 'a'));
    EXPECT_EQ(ReadFileBytes(Installed("second.bin")), std::string(5000, 'b'));
    for (const char* empty : {"empty-middle.dat", "Data/empty-end-1.dat", "Data/empty-end-2.dat"}) {
        EXPECT_TRUE(fs::is_regular_file(Installed(empty))) << empty;
        EXPECT_EQ(fs::file_size(Installed(empty)), 0u) << empty;
    }
    // The table reads the same whether the header came byte by byte or in one block.
    ASSERT_EQ(state.EntryTable().size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PayloadEntry& read = state.EntryTable()[i];
        EXPECT_EQ(read.sourcePath, entries[i].sourcePath);
        EXPECT_EQ(read.size, entries[i].size);
        EXPECT_EQ(read.crc, entries[i].crc);
        EXPECT_EQ(static_cast<std::uint32_t>(read.kind), entries[i].kind);
    }
    EXPECT_EQ(state.EntryTable()[0].destinationPath, Sandbox::Preferred(Installed("Lang/first.dll")));

    // Every entry is announced, written and confirmed in table order.
    std::vector<Utf16String> begun, ended;
    for (const auto& b : observer.All<notification::file_begin>()) begun.push_back(b.entry.destinationPath);
    for (const auto& e : observer.All<notification::file_end>()) ended.push_back(e.entry.destinationPath);
    std::vector<Utf16String> expected;
    for (const auto& entry : state.EntryTable()) expected.push_back(entry.destinationPath);
    EXPECT_EQ(begun, expected);
    EXPECT_EQ(ended, expected);

    const auto progress = observer.All<notification::progress>();
    ASSERT_FALSE(progress.empty());
    const std::uint64_t headerSize = archive.size() - 5100;
    EXPECT_EQ(progress.front().done, headerSize);
    EXPECT_EQ(progress.back().done, archive.size());
    for (const auto& p : progress) EXPECT_EQ(p.total, archive.size());
}

INSTANTIATE_TEST_SUITE_P(Blocks, BlockSizeTest, ::testing::Values(1, 3, 8, 13, 4096, 1 << 20),
                         [](const auto& info) { return "of_" + std::to_string(info.param); });

TEST_F(WriteOperationTest, AcceptsUpToTheEndOfTheHeaderAndOfEachEntryOnly) {
    ExtractionState state = MakeState();
    const std::size_t headerSize = archive.size() - 5100;
    // One block holding everything: the size field, the rest of the header, then entry by entry;
    // the empty entry in the middle completes in a call that accepts nothing.
    EXPECT_EQ(Feed(state, archive, archive.size()),
              (std::vector<std::size_t>{8, headerSize - 8, 100, 0, 5000}));
    EXPECT_TRUE(state.IsComplete());
}

TEST_F(WriteOperationTest, SurplusDataFailsWithCode7AtTheFirstExtraByte) {
    ExtractionState state = MakeState();
    const std::string longer = archive + "X";
    EXPECT_EQ(CodeOf([&] { Feed(state, longer, longer.size()); }), compress_errc::unexpected);
    EXPECT_TRUE(state.Failed());
    EXPECT_EQ(fs::file_size(Installed("second.bin")), 5000u);
    EXPECT_TRUE(fs::exists(Installed("Data/empty-end-2.dat")));
    // After a failure, whatever the pipeline still pushes is accepted and dropped.
    EXPECT_EQ(state.Write("more", 4), 4u);
}

TEST_F(WriteOperationTest, ShortArchiveWritesTheCompleteEntriesAndStaysIncomplete) {
    ExtractionState state = MakeState();
    Feed(state, std::string_view(archive).substr(0, archive.size() - 10), 4096);
    EXPECT_FALSE(state.IsComplete());
    EXPECT_EQ(ReadFileBytes(Installed("Lang/first.dll")), std::string(100, 'a'));
    EXPECT_EQ(observer.All<notification::file_end>().size(), 2u);
    EXPECT_FALSE(fs::exists(Installed("Data/empty-end-1.dat")));
}

TEST_F(WriteOperationTest, SkippedEntryGetsNoFileNoChecksumAndNoEnd) {
    observer.answer = [](const notification& n) {
        const auto* begin = std::get_if<notification::file_begin>(&n.event);
        return begin && path_text::FileName(begin->entry.destinationPath) == U("second.bin") ? notification::skip
                                                                                            : notification::proceed;
    };
    files.beforeReadBack = [](const Utf16String& path) {
        EXPECT_NE(path_text::FileName(path), U("second.bin")) << "checksum of a skipped entry";
    };
    ExtractionState state = MakeState();
    Feed(state, archive, 4096);

    EXPECT_TRUE(state.IsComplete());
    EXPECT_FALSE(fs::exists(Installed("second.bin")));
    EXPECT_EQ(std::count(files.opened.begin(), files.opened.end(), Sandbox::Preferred(Installed("second.bin"))), 0);
    EXPECT_EQ(observer.All<notification::file_end>().size(), entries.size() - 1);
    EXPECT_EQ(observer.All<notification::progress>().back().done, archive.size());
}

struct AbortCase {
    const char* name;
    std::size_t index;  // notification alternative answered with abort
    int occurrence;     // which one of them (1-based)
    int bytesOnDisk;  // of first.dll (100 bytes) afterwards; -1: no file, 0..99: partly written
};

class AbortTest : public WriteOperationTest, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(AbortTest, AbortFailsWithCode5AndLeavesThePartlyWrittenFile) {
    const AbortCase c = GetParam();
    int seen = 0;
    observer.answer = [&](const notification& n) {
        return n.index() == c.index && ++seen == c.occurrence ? notification::abort : notification::proceed;
    };
    {
        ExtractionState state = MakeState();
        EXPECT_EQ(CodeOf([&] { Feed(state, archive, 60); }), compress_errc::interrupted);
        EXPECT_TRUE(state.Failed());
    }  // the open file is closed with what it holds
    if (c.bytesOnDisk < 0) {
        EXPECT_FALSE(fs::exists(Installed("Lang/first.dll")));
    } else if (c.bytesOnDisk < 100) {
        EXPECT_GT(fs::file_size(Installed("Lang/first.dll")), 0u);
        EXPECT_LT(fs::file_size(Installed("Lang/first.dll")), 100u);
    } else {
        EXPECT_EQ(ReadFileBytes(Installed("Lang/first.dll")), std::string(100, 'a'));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, AbortTest,
                         ::testing::Values(AbortCase{"file_begin", 2, 1, -1},
                                           AbortCase{"progress_after_table", 4, 1, -1},
                                           AbortCase{"progress_inside_entry", 4, 2, 50},
                                           AbortCase{"file_end", 3, 1, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriteOperationTest, ReadOnlyDestinationIsOverwritten) {
    WriteFileBytes(Installed("second.bin"), "old content");
    fs::permissions(Installed("second.bin"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ExtractionState state = MakeState();
    Feed(state, archive, 4096);
    EXPECT_TRUE(state.IsComplete());
    EXPECT_EQ(ReadFileBytes(Installed("second.bin")), std::string(5000, 'b'));
    EXPECT_NE(fs::status(Installed("second.bin")).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(WriteOperationTest, FileChangedOnDiskBeforeItsReadBackFailsWithCode3) {
    files.beforeReadBack = [](const Utf16String& path) {
        if (path_text::FileName(path) == U("second.bin")) {
            std::ofstream(ToFsPath(path), std::ios::binary | std::ios::app) << 'x';
        }
    };
    ExtractionState state = MakeState();
    EXPECT_EQ(CodeOf([&] { Feed(state, archive, 4096); }), compress_errc::invalid_checksum);
    EXPECT_EQ(observer.All<notification::file_end>().size(), 2u);  // first.dll and the empty one
}

// --- malformed headers --------------------------------------------------------------------------

std::string Le(std::uint64_t value, int width) {
    std::string bytes;
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

struct MalformedCase {
    const char* name;
    std::string archive;
};

class MalformedHeaderTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedHeaderTest, FailsWithCode7WithoutReadingPastTheHeader) {
    TestFileSystem files;
    RecordingObserver observer;
    ExtractionState state(U("install"), {}, {}, observer.Callable(), files);
    const std::string& archive = GetParam().archive;
    EXPECT_EQ(CodeOf([&] { Feed(state, archive, archive.size()); }), compress_errc::unexpected);
    EXPECT_TRUE(observer.All<notification::file_begin>().empty());
    EXPECT_TRUE(files.opened.empty());
}

// A record of 26 bytes: source "a", destination "", kind 0, then size and crc.
std::string Record(std::uint64_t size) {
    return Le(1, 4) + std::string("a\0", 2) + Le(0, 4) + Le(0, 4) + Le(size, 8) + Le(0, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, MalformedHeaderTest,
    ::testing::Values(
        MalformedCase{"header_size_0", Le(0, 8) + Le(0, 4)},
        MalformedCase{"header_size_8", Le(8, 8) + Le(0, 4)},
        MalformedCase{"header_size_11", Le(11, 8) + Le(0, 4)},
        MalformedCase{"header_size_huge", Le(~0ull, 8) + Le(0, 4)},
        MalformedCase{"header_size_one_beyond_the_limit", Le(kMaximumHeaderSize + 1, 8) + Le(0, 4)},
        MalformedCase{"count_beyond_header", Le(12 + 26, 8) + Le(1000, 4) + Record(0)},
        MalformedCase{"count_max", Le(12 + 26, 8) + Le(0xFFFFFFFF, 4) + Record(0)},
        MalformedCase{"record_longer_than_header",  // its kind would start 2 bytes before the data
                      Le(12 + 30, 8) + Le(1, 4) + Le(10, 4) + std::string(20, 'a') + Le(0, 4) + Le(0, 2) +
                          std::string(30, '\0')},
        MalformedCase{"source_length_past_header",
                      Le(12 + 26, 8) + Le(1, 4) + Le(0xFFFFFFFF, 4) + std::string(22, '\0')},
        MalformedCase{"destination_length_past_header",
                      Le(12 + 26, 8) + Le(1, 4) + Le(0, 4) + Le(0x80000000, 4) + std::string(18, '\0')},
        MalformedCase{"sizes_overflow_total",
                      Le(12 + 52, 8) + Le(2, 4) + Record(1ull << 63) + Record(1ull << 63)}),
    [](const auto& info) { return std::string(info.param.name); });

// A header of count records of 24 bytes (empty source and destination).
std::string MinimalTable(std::uint64_t count) {
    const std::string record = Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(0, 8) + Le(0, 4);
    std::string header = Le(12 + count * record.size(), 8) + Le(count, 4);
    for (std::uint64_t i = 0; i < count; ++i) header += record;
    return header;
}

TEST(EntryTableTest, ReadsTheLargestTableAndRefusesOneEntryMore) {
    EXPECT_EQ(ParseEntryTable(MinimalTable(kMaximumEntryCount)).size(), kMaximumEntryCount);
    // The header has room for the records: only the count limit refuses it.
    EXPECT_EQ(CodeOf([] { ParseEntryTable(MinimalTable(kMaximumEntryCount + 1)); }), compress_errc::unexpected);
}

TEST(EntryTableTest, TheLargestHeaderHoldsTheLargestTableOfPathsOf58Characters) {
    const std::string one =
        EncodeHeader({Entry(std::string(58, 's'), "<InstallPath>\\" + std::string(44, 'd'), "")});
    const std::uint64_t record = one.size() - kArchivePrefixSize;
    EXPECT_EQ(record, 256u);
    EXPECT_LE(kArchivePrefixSize + kMaximumEntryCount * record, kMaximumHeaderSize);
}

TEST(EntryTableTest, RecordsShorterThanTheHeaderLeaveTheDataAtHeaderSize) {
    // Padding after the records belongs to the header; the data starts at headerSize.
    Sandbox sandbox;
    TestFileSystem files;
    RecordingObserver observer;
    const std::vector<ArchiveEntry> entries = {Entry("a", "<InstallPath>", "xy")};
    std::string header = EncodeHeader(entries);
    header.replace(0, 8, Le(header.size() + 4, 8));
    const std::string archive = header + "PADD" + "xy";
    ExtractionState state(sandbox.Path(), {}, {}, observer.Callable(), files);
    Feed(state, archive, 4096);
    EXPECT_TRUE(state.IsComplete());
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "a"), "xy");
}

// --- destination placeholders ----------------------------------------------------------------------

// Expected paths are written with "/" and use the platform's separator.
Utf16String P(std::string_view text) {
    Utf16String path = U(text);
    std::replace(path.begin(), path.end(), Utf16Char('/'), path_text::kSeparator);
    return path;
}

struct PlaceholderCase {
    const char* name;
    const char* destination;
    const char* samplesFolder;
    const char* tempFolder;
    const char* expected;
    std::vector<const char*> registered;
};

class PlaceholderTest : public ::testing::TestWithParam<PlaceholderCase> {
protected:
    TestFileSystem files;
    PlaceholderTest() {
        for (const auto& [csidl, name] : std::vector<std::pair<int, const char*>>{
                 {csidl::kProgramFiles, "PF"}, {csidl::kProgramFilesCommon, "PF/Common"},
                 {csidl::kCommonAppData, "AllData"}, {csidl::kAppData, "UserData"},
                 {csidl::kPersonal, "Docs"}, {csidl::kCommonDesktopDirectory, "AllDesk"},
                 {csidl::kDesktopDirectory, "Desk"}, {csidl::kWindows, "Win"}, {csidl::kSystem, "Win/Sys"}}) {
            files.SetShellFolder(csidl, P(std::string("R:/") + name));
        }
        // No all-users documents folder: its fallback, the user's documents, stands in.
    }
};

TEST_P(PlaceholderTest, Resolves) {
    const PlaceholderCase& c = GetParam();
    RecordingObserver observer;
    ExtractionState state(P("R:/Install"), U(c.samplesFolder), P(c.tempFolder), observer.Callable(), files);
    EXPECT_EQ(state.ResolveDestination(U(c.destination)), P(c.expected));
    std::vector<SharedFolder> expected;
    for (const char* folder : c.registered) expected.push_back({P(folder), false});
    EXPECT_EQ(state.SharedFolders(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, PlaceholderTest,
    ::testing::Values(
        PlaceholderCase{"install_alone", "<InstallPath>", "", "", "R:/Install", {}},
        PlaceholderCase{"install_lang", "<InstallPath>\\Lang", "", "", "R:/Install/Lang", {}},
        PlaceholderCase{"install_forward_slashes", "<InstallPath>/Lang//x/", "", "", "R:/Install/Lang/x", {}},
        PlaceholderCase{"lower_case_token_is_unrecognised", "<installpath>\\Lang", "", "", "Lang", {}},
        PlaceholderCase{"unrecognised_token_alone", "<Nowhere>", "", "", "", {}},
        PlaceholderCase{"absolute_without_token", "C:\\Data\\<InstallPath>", "", "", "C:\\Data\\<InstallPath>", {}},
        PlaceholderCase{"token_as_second_element", "Data\\<InstallPath>\\x", "", "", "Data\\<InstallPath>\\x", {}},
        PlaceholderCase{"empty", "", "", "", "", {}},
        PlaceholderCase{"temporary_empty_temp_folder", "<Temporary>\\t", "", "", "R:/Install/t", {}},
        PlaceholderCase{"temporary", "<Temporary>\\t", "", "R:/Tmp/kavren_x", "R:/Tmp/kavren_x/t", {}},
        PlaceholderCase{"samples_relative", "<SamplePath>\\Sub", "Sarvelix Examples", "",
                        "R:/AllDesk/Sarvelix Examples/Sub", {"R:/AllDesk/Sarvelix Examples"}},
        PlaceholderCase{"samples_absolute", "<SamplePath>\\Sub", "C:\\Samples", "", "C:\\Samples/Sub", {}},
        PlaceholderCase{"samples_network", "<SamplePath>", "\\\\server\\share", "", "\\\\server\\share", {}},
        PlaceholderCase{"samples_empty", "<SamplePath>", "", "", "R:/AllDesk", {}},
        PlaceholderCase{"common_data_alone", "<CommonData>", "", "", "R:/AllData", {}},
        PlaceholderCase{"common_data_two_elements", "<CommonData>\\Kavrenco\\Sarvelio", "", "",
                        "R:/AllData/Kavrenco/Sarvelio", {"R:/AllData/Kavrenco", "R:/AllData/Kavrenco/Sarvelio"}},
        PlaceholderCase{"common_documents_fallback", "<CommonDocuments>\\K", "", "", "R:/Docs/K", {"R:/Docs/K"}},
        PlaceholderCase{"common_desktop", "<CommonDesktop>\\K", "", "", "R:/AllDesk/K", {"R:/AllDesk/K"}},
        PlaceholderCase{"user_data_not_shared", "<UserData>\\Kavrenco\\Sarvelio", "", "",
                        "R:/UserData/Kavrenco/Sarvelio", {}},
        PlaceholderCase{"documents", "<Documents>\\K", "", "", "R:/Docs/K", {}},
        PlaceholderCase{"desktop", "<Desktop>\\K", "", "", "R:/Desk/K", {}},
        PlaceholderCase{"program_files", "<ProgramFiles>\\K", "", "", "R:/PF/K", {}},
        PlaceholderCase{"program_common", "<ProgramCommon>\\K", "", "", "R:/PF/Common/K", {}},
        PlaceholderCase{"windows", "<WinDir>\\K", "", "", "R:/Win/K", {}},
        PlaceholderCase{"system", "<System>\\K", "", "", "R:/Win/Sys/K", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaceholderTest, SameDestinationInSeveralEntriesRegistersEachFolderOnce) {
    RecordingObserver observer;
    ExtractionState state(U("I"), {}, {}, observer.Callable(), files);
    state.ResolveDestination(U("<CommonData>\\Kavrenco\\Sarvelio"));
    state.ResolveDestination(U("<CommonData>/Kavrenco/Sarvelio/"));
    EXPECT_EQ(state.SharedFolders().size(), 2u);
}

// --- the shared-folder list ------------------------------------------------------------------------

// Counts the seam's folder comparisons.
class CountingFileSystem : public TestFileSystem {
public:
    int comparisons = 0;
    std::optional<bool> SameIdentity(const Utf16String& a, const Utf16String& b) override {
        ++comparisons;
        return TestFileSystem::SameIdentity(a, b);
    }
    bool SameAbsolutePath(const Utf16String& a, const Utf16String& b) override {
        ++comparisons;
        return TestFileSystem::SameAbsolutePath(a, b);
    }
};

TEST(SharedFolderTest, DistinctFoldersAreRegisteredWithoutComparingEachWithAllOthers) {
    // Before, every new folder was compared with every registered one: 2,000 folders took some
    // two million comparisons through the file system.
    CountingFileSystem files;
    files.SetShellFolder(csidl::kCommonAppData, P("R:/AllData"));
    RecordingObserver observer;
    ExtractionState state(U("I"), {}, {}, observer.Callable(), files);
    constexpr int kFolders = 2000;
    for (int i = 0; i < kFolders; ++i) state.ResolveDestination(U("<CommonData>\\K\\F" + std::to_string(i)));
    ASSERT_EQ(state.SharedFolders().size(), std::size_t{kFolders} + 1);
    EXPECT_LE(files.comparisons, 2 * kFolders);
}

struct SameFolderCase {
    const char* name;
    const char* first;   // below the sandbox
    const char* second;  // below the sandbox; "@link" makes it a link to the first (created)
    bool existing;       // the folders are created before they are registered
    std::size_t registered;
};

class SharedFolderSameTest : public ::testing::TestWithParam<SameFolderCase> {};

TEST_P(SharedFolderSameTest, RegistersAFolderOnceUnderAnyOfItsNames) {
    const SameFolderCase& c = GetParam();
    Sandbox sandbox;
    TestFileSystem files;
    RecordingObserver observer;
    ExtractionState state(U("I"), {}, {}, observer.Callable(), files);
    const Utf16String first = sandbox.Path(c.first);
    Utf16String second = sandbox.Path(c.second);
    if (c.existing) std::filesystem::create_directories(ToFsPath(first));
    if (std::string_view(c.second) == "@link") {
        second = sandbox.Path("alias");
        std::filesystem::create_directory_symlink(ToFsPath(first), ToFsPath(second));
    } else if (c.existing) {
        std::filesystem::create_directories(ToFsPath(second));
    }
    state.RegisterSharedFolder(first);
    state.RegisterSharedFolder(second);
    state.RegisterSharedFolder(first);
    EXPECT_EQ(state.SharedFolders().size(), c.registered);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SharedFolderSameTest,
    ::testing::Values(SameFolderCase{"different_folders", "AllData/A", "AllData/B", false, 2},
                      SameFolderCase{"case_differs_not_existing", "AllData/Kavrenco", "alldata/KAVRENCO", false, 1},
                      SameFolderCase{"separators_differ", "AllData/K", "AllData//K/", false, 1},
                      SameFolderCase{"different_existing_folders", "AllData/A", "AllData/B", true, 2},
#ifndef _WIN32  // Wine and Windows: no folder links from the standard library here
                      SameFolderCase{"link_to_an_existing_folder", "AllData/K", "@link", true, 1},
#endif
                      SameFolderCase{"same_existing_folder", "AllData/K", "AllData/K/", true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaceholderTest, SpecialFolderWithoutPathOrFallbackFailsWithCode7) {
    RecordingObserver observer;
    ExtractionState state(U("I"), {}, {}, observer.Callable(), files);
    EXPECT_EQ(CodeOf([&] { state.SpecialFolder(csidl::kCommonDocuments); }), compress_errc::unexpected);
    EXPECT_EQ(state.SpecialFolder(csidl::kCommonDocuments, csidl::kPersonal), P("R:/Docs"));
    TestFileSystem none;
    ExtractionState bare(U("I"), {}, {}, observer.Callable(), none);
    EXPECT_EQ(CodeOf([&] { bare.ResolveDestination(U("<CommonData>\\K")); }), compress_errc::unexpected);
}

}  // namespace
}  // namespace sv::test
