// The checksum read-back: CRC-32 of the file on disk, retried while another process holds it.
#include <gtest/gtest.h>

#include <ios>

#include "PayloadTestSupport.h"
#include "payload/FileChecksum.h"

namespace sv::test {
namespace {

TEST(FileChecksumTest, IsTheZlibCrc32OfTheFileOnDisk) {
    Sandbox sandbox;
    WriteFileBytes(sandbox.Root() / "f", "123456789");
    WriteFileBytes(sandbox.Root() / "empty", "");
    TestFileSystem files;
    EXPECT_EQ(FileChecksum(files, sandbox.Path("f")), 0xCBF43926u);  // the standard check value
    EXPECT_EQ(FileChecksum(files, sandbox.Path("empty")), 0u);
}

struct RetryCase {
    int violations;
    bool succeeds;
    int pauses;
};

class ChecksumRetryTest : public ::testing::TestWithParam<RetryCase> {};

TEST_P(ChecksumRetryTest, RetriesThreeMoreTimesAfterAPause) {
    Sandbox sandbox;
    WriteFileBytes(sandbox.Root() / "f", "123456789");
    TestFileSystem files;
    files.sharingViolations = GetParam().violations;
    if (GetParam().succeeds) {
        EXPECT_EQ(FileChecksum(files, sandbox.Path("f")), 0xCBF43926u);
    } else {
        EXPECT_THROW(FileChecksum(files, sandbox.Path("f")), std::ios_base::failure);
    }
    EXPECT_EQ(files.pauses, GetParam().pauses);
}

INSTANTIATE_TEST_SUITE_P(Violations, ChecksumRetryTest,
                         ::testing::Values(RetryCase{0, true, 0}, RetryCase{3, true, 3}, RetryCase{4, false, 3}),
                         [](const auto& info) { return std::to_string(info.param.violations) + "_violations"; });

TEST(FileChecksumTest, MissingFileIsAStreamFailureWithoutRetry) {
    Sandbox sandbox;
    TestFileSystem files;
    try {
        FileChecksum(files, sandbox.Path("missing"));
        FAIL() << "no failure";
    } catch (const std::ios_base::failure& e) {
        EXPECT_EQ(e.code(), std::io_errc::stream);
    }
    EXPECT_EQ(files.pauses, 0);
}

}  // namespace
}  // namespace sv::test
