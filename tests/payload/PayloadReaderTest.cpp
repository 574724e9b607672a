// VerifyPayload and ExtractPayload over compressed payloads, and the failure notification.
#include <gtest/gtest.h>

#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/system/system_error.hpp>

#include <cerrno>
#include <filesystem>

#include "PayloadTestSupport.h"
#include "payload/CompressCategory.h"
#include "payload/MemoryStream.h"
#include "payload/PathText.h"
#include "payload/PayloadReader.h"

namespace sv::test {
namespace {

namespace fs = std::filesystem;

class ReaderTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    TestFileSystem files;
    RecordingObserver observer;

    std::vector<ArchiveEntry> entries = {
        Entry("lang_fr.dll", "<InstallPath>\\Lang", std::string(10000, 'f')),
        Entry("Sarvelio.exe", "<InstallPath>", "MZ program", 1),
        Entry("stock.dat", "<CommonData>\\Kavrenco\\Sarvelio", "", 3),
        Entry("material.dat", "<CommonData>\\Kavrenco\\Sarvelio", "shared data", 3),
        Entry("sample1.sarv", "<SamplePath>", "sample", 4),
    };

    ReaderTest() {
        files.SetShellFolder(csidl::kCommonAppData, sandbox.Path("AllData"));
        files.SetShellFolder(csidl::kCommonDesktopDirectory, sandbox.Path("AllDesk"));
    }

    bool Extract(std::istream& in) {
        return ExtractPayload(in, sandbox.Path("install"), U("Sarvelix Examples"), {}, observer.Callable(), files);
    }
    bool Extract(const std::string& payload) {
        imemstream in(payload.data(), payload.size());
        return Extract(in);
    }
    std::error_code FailureCode() const {
        const auto failures = observer.All<notification::failure>();
        return failures.empty() ? std::error_code() : failures.back().code;
    }
};

TEST_F(ReaderTest, ExtractsEveryEntryAndReportsInOrder) {
    const std::string payload = Payload(entries);
    ASSERT_TRUE(Extract(payload));

    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "install/Lang/lang_fr.dll"), std::string(10000, 'f'));
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "AllData/Kavrenco/Sarvelio/material.dat"), "shared data");
    EXPECT_EQ(fs::file_size(sandbox.Root() / "AllData/Kavrenco/Sarvelio/stock.dat"), 0u);
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "AllDesk/Sarvelix Examples/sample1.sarv"), "sample");

    const auto indexes = observer.Indexes();
    ASSERT_GE(indexes.size(), 3u);
    EXPECT_EQ(indexes.front(), 0u);  // started
    EXPECT_EQ(indexes[1], 4u);       // progress after the table
    EXPECT_EQ(indexes.back(), 1u);   // finished
    const auto finished = observer.All<notification::finished>();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].compressedBytes, payload.size());
    EXPECT_EQ(finished[0].total, RawArchive(entries).size());
    EXPECT_TRUE(observer.All<notification::failure>().empty());
}

TEST_F(ReaderTest, FirstFileInASharedFolderSecuresItAndItsRegisteredParentOnce) {
    ASSERT_TRUE(Extract(Payload(entries)));
    // The shared folders below all-users data, and the samples folder on the all-users desktop.
    EXPECT_EQ(files.grants, (std::vector<Utf16String>{sandbox.Path("AllData/Kavrenco"),
                                                      sandbox.Path("AllData/Kavrenco/Sarvelio"),
                                                      sandbox.Path("AllDesk/Sarvelix Examples")}));
}

TEST_F(ReaderTest, SharedFolderWhoseFilesAreAllSkippedStaysUnsecured) {
    observer.answer = [](const notification& n) {
        const auto* begin = std::get_if<notification::file_begin>(&n.event);
        return begin && begin->entry.kind == EntryKind::SharedDataFile ? notification::skip : notification::proceed;
    };
    ASSERT_TRUE(Extract(Payload(entries)));
    EXPECT_EQ(files.grants, (std::vector<Utf16String>{sandbox.Path("AllDesk/Sarvelix Examples")}));
    EXPECT_FALSE(fs::exists(sandbox.Root() / "AllData"));
}

TEST_F(ReaderTest, TrailingEmptyEntriesAreCreatedBeforeFinished) {
    entries.push_back(Entry("last-empty-1", "<InstallPath>", ""));
    entries.push_back(Entry("last-empty-2", "<InstallPath>", ""));
    ASSERT_TRUE(Extract(Payload(entries)));
    EXPECT_TRUE(fs::exists(sandbox.Root() / "install/last-empty-1"));
    EXPECT_TRUE(fs::exists(sandbox.Root() / "install/last-empty-2"));
    const auto indexes = observer.Indexes();
    ASSERT_GE(indexes.size(), 2u);
    EXPECT_EQ(indexes[indexes.size() - 2], 3u);  // file_end of the last empty entry, then finished
    EXPECT_EQ(observer.All<notification::file_end>().size(), entries.size());
}

TEST_F(ReaderTest, TableAnnouncingMoreDataThanPresentFailsWith7AfterTheCompleteEntries) {
    const std::string raw = RawArchive(entries);
    ASSERT_FALSE(Extract(Bzip2Compress(std::string_view(raw).substr(0, raw.size() - 3))));
    EXPECT_EQ(FailureCode(), compress_errc::unexpected);
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "AllData/Kavrenco/Sarvelio/material.dat"), "shared data");
    EXPECT_TRUE(observer.All<notification::finished>().empty());
    EXPECT_EQ(observer.Indexes().back(), 5u);
    EXPECT_EQ(observer.All<notification::failure>().size(), 1u);
}

TEST_F(ReaderTest, ArchiveHoldingMoreDataThanItsTableFailsWith7) {
    ASSERT_FALSE(Extract(Bzip2Compress(RawArchive(entries) + "surplus")));
    EXPECT_EQ(FailureCode(), compress_errc::unexpected);
    EXPECT_TRUE(fs::exists(sandbox.Root() / "AllDesk/Sarvelix Examples/sample1.sarv"));
}

TEST_F(ReaderTest, DamagedCompressedStreamFailsWithCode6AndFailsVerification) {
    std::string payload = Payload(entries);
    payload[payload.size() / 2] ^= 0x55;
    imemstream in(payload.data(), payload.size());
    EXPECT_FALSE(VerifyPayload(in));
    in.clear();
    in.seekg(0);
    EXPECT_FALSE(Extract(in));
    EXPECT_EQ(FailureCode(), compress_errc::bzip2_error);
}

TEST_F(ReaderTest, ObserverErrorInStartedBecomesTheFailureBeforeAnyFile) {
    observer.answer = [](const notification& n) -> notification::result {
        if (n.index() == 0) RaiseCompressError(compress_errc::unknown);
        return notification::proceed;
    };
    EXPECT_FALSE(Extract(Payload(entries)));
    EXPECT_EQ(FailureCode(), compress_errc::unknown);
    EXPECT_EQ(observer.All<notification::failure>().back().message, Utf16String());
    EXPECT_TRUE(files.opened.empty());
}

TEST_F(ReaderTest, FailureWhileAnEntryIsOpenNamesItsDestination) {
    int progressCount = 0;
    observer.answer = [&](const notification& n) {
        return n.index() == 4 && ++progressCount == 3 ? notification::abort : notification::proceed;
    };
    EXPECT_FALSE(Extract(Payload(entries)));
    EXPECT_EQ(FailureCode(), compress_errc::interrupted);
    EXPECT_EQ(observer.All<notification::failure>().back().message, sandbox.Path("install/Lang/lang_fr.dll"));
    // Two blocks were written and stay on disk.
    const auto size = fs::file_size(sandbox.Root() / "install/Lang/lang_fr.dll");
    EXPECT_GT(size, 4096u);
    EXPECT_LT(size, 8192u);
}

TEST_F(ReaderTest, FolderThatCannotBeCreatedGivesThePlatformCode) {
    WriteFileBytes(sandbox.Root() / "install", "a file where the folder should be");
    EXPECT_FALSE(Extract(Payload(entries)));
    const auto failure = observer.All<notification::failure>().back();
#ifdef _WIN32
    // The standard library's create_directories (the Win32 back-end has its own test).
    EXPECT_NE(failure.code.category(), compress_category());
    EXPECT_NE(failure.code.category(), std::iostream_category());
#else
    EXPECT_EQ(failure.code, std::errc::not_a_directory);
#endif
    EXPECT_EQ(failure.message, sandbox.Path("install/Lang/lang_fr.dll"));
}

TEST_F(ReaderTest, VerificationPassesLeavesTheStreamAtItsEndAndRewindingAllowsExtraction) {
    const std::string payload = Payload(entries);
    imemstream in(payload.data(), payload.size());
    // As the installer's started handler does: check, rewind, let the extraction read it again.
    observer.answer = [&in](const notification& n) {
        if (n.index() == 0) {
            EXPECT_TRUE(VerifyPayload(in));
            EXPECT_EQ(in.rdbuf()->in_avail(), 0);
            in.clear();
            in.seekg(0);
        }
        return notification::proceed;
    };
    EXPECT_TRUE(Extract(in));
}

TEST(VerifyPayloadTest, EmptyOrTruncatedStreamFails) {
    const std::string payload = Bzip2Compress(std::string(100000, 'z') + "tail");
    for (const std::string_view bytes : {std::string_view(), std::string_view(payload).substr(0, payload.size() - 1),
                                         std::string_view(payload).substr(0, 20), std::string_view("BZh9")}) {
        imemstream in(bytes.data(), bytes.size());
        EXPECT_FALSE(VerifyPayload(in)) << bytes.size() << " bytes";
    }
    imemstream whole(payload.data(), payload.size());
    EXPECT_TRUE(VerifyPayload(whole));
}

TEST(VerifyPayloadTest, MissingResourceStreamFailsVerificationAndExtraction) {
    imemstream empty;
    RecordingObserver observer;
    TestFileSystem files;
    EXPECT_FALSE(VerifyPayload(empty));
    EXPECT_FALSE(ExtractPayload(empty, U("i"), {}, {}, observer.Callable(), files));
    const auto failures = observer.All<notification::failure>();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].code.category(), compress_category());
}

// --- failure conversion -----------------------------------------------------------------------------

TEST(DescribeFailureTest, TakesEachErrorsCodeAndCategory) {
    const auto describe = [](auto error) { return DescribeFailure(std::make_exception_ptr(error), nullptr); };
    const fs::path folder("some/folder");

    EXPECT_EQ(describe(boost::iostreams::bzip2_error(-4)).code, compress_errc::bzip2_error);
    EXPECT_EQ(describe(std::ios_base::failure("write")).code, std::io_errc::stream);
    EXPECT_EQ(describe(std::runtime_error("other")).code, compress_errc::unexpected);
    EXPECT_EQ(describe(42).code, compress_errc::unexpected);
    EXPECT_EQ(describe(std::system_error(make_error_code(compress_errc::interrupted))).code,
              compress_errc::interrupted);
    EXPECT_EQ(describe(std::system_error(5, std::system_category())).code, std::error_code(5, std::system_category()));
    EXPECT_EQ(describe(boost::system::system_error(EACCES, boost::system::generic_category())).code,
              std::error_code(EACCES, std::generic_category()));

    const auto fsFailure =
        describe(fs::filesystem_error("create_directories", folder, std::error_code(EACCES, std::generic_category())));
    EXPECT_EQ(fsFailure.code, std::error_code(EACCES, std::generic_category()));
    EXPECT_EQ(fsFailure.message, FromFsPath(folder));
}

TEST(CompressCategoryTest, NamesItsCodes) {
    EXPECT_STREQ(compress_category().name(), "compress");
    const std::vector<std::pair<int, std::string>> texts = {
        {3, "invalid checksum"}, {4, "unknown error"}, {5, "interrupted"},
        {6, "bzip2 error"},      {7, "unexpected error"}, {8, "unknown error"}};
    for (const auto& [code, text] : texts) EXPECT_EQ(compress_category().message(code), text) << code;
}

}  // namespace
}  // namespace sv::test
