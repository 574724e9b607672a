// WritePayloadFromFiles: each source read once, its table entry measured from the bytes that go
// into the payload, which the reader then extracts with every checksum.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "PayloadTestSupport.h"
#include "payload/MemoryStream.h"
#include "payload/PayloadReader.h"

namespace sv::test {
namespace {

namespace fs = std::filesystem;

class BuilderTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    std::stringstream spool{std::ios::in | std::ios::out | std::ios::binary};
    std::ostringstream payload;

    SourceFile Source(const std::string& name, std::string_view bytes, const char* folder = "<InstallPath>") {
        WriteFileBytes(sandbox.Root() / "src" / name, bytes);
        return {sandbox.Root() / "src" / name, U("src/" + name), U(folder), 0};
    }
};

TEST_F(BuilderTest, TableComesFromTheSpooledBytesAndTheReaderExtractsThem) {
    const std::string big(70000, 'b');  // more than one read block
    const std::vector<SourceFile> sources = {Source("a.dll", big), Source("empty.dat", ""),
                                             Source("c.txt", "third", "<InstallPath>\\Sub")};
    const auto table = WritePayloadFromFiles(payload, sources, spool);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].size, big.size());
    EXPECT_EQ(table[0].crc, Crc32(big));
    EXPECT_EQ(table[1].size, 0u);
    EXPECT_EQ(table[1].crc, 0u);
    EXPECT_EQ(table[2].crc, Crc32("third"));
    EXPECT_EQ(table[2].sourcePath, U("src/c.txt"));  // stored as given
    EXPECT_EQ(spool.str(), big + "third");

    TestFileSystem files;
    RecordingObserver observer;
    const std::string bytes = payload.str();
    imemstream in(bytes.data(), bytes.size());
    ASSERT_TRUE(ExtractPayload(in, sandbox.Path("out"), {}, {}, observer.Callable(), files));
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "out/a.dll"), big);
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "out/Sub/c.txt"), "third");
    EXPECT_EQ(observer.All<notification::file_end>().size(), 3u);
}

TEST_F(BuilderTest, SourceThatCannotBeReadNamesItsEntry) {
    // A folder opens on some systems and then fails to read, on others it does not open: both
    // are the second entry's error.
    fs::create_directories(sandbox.Root() / "src/folder.dll");
    const std::vector<SourceFile> sources = {Source("a.dll", "a"),
                                             {sandbox.Root() / "src/folder.dll", U("folder.dll"), U("<InstallPath>"), 0},
                                             Source("c.dll", "c")};
    try {
        WritePayloadFromFiles(payload, sources, spool);
        FAIL() << "no error";
    } catch (const SourceReadError& e) {
        EXPECT_EQ(e.entry, 1u);
        EXPECT_NE(std::string(e.what()).find("folder.dll"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace sv::test
