// The demo payload as linked into a program: resource 260/134 with the delivered payload's shape.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <sstream>

#include "payload/ExtractionState.h"
#include "payload/PayloadBuilder.h"
#include "payload/ResourceStream.h"

namespace {

TEST(DemoPayloadTest, HasTheShapeOfTheDeliveredPayload) {
    sv::imemstream in = sv::OpenResourceStream(sv::kPayloadResourceType, sv::kPayloadResourceId);
    ASSERT_GT(in.size(), 0u);
    std::ostringstream compressed;
    compressed << in.rdbuf();
    const std::string archive = sv::Bzip2Decompress(compressed.str());
    std::uint64_t headerSize = 0;
    for (int i = 7; i >= 0; --i) headerSize = (headerSize << 8) | static_cast<unsigned char>(archive.at(i));
    const auto entries = sv::ParseEntryTable(archive.substr(0, headerSize));

    ASSERT_EQ(entries.size(), 28u);
    std::map<std::pair<std::wstring, sv::EntryKind>, int> shape;
    std::uint64_t total = headerSize;
    int empty = 0;
    for (const auto& entry : entries) {
        ++shape[{entry.destinationPath, entry.kind}];
        total += entry.size;
        if (entry.size == 0) {
            ++empty;
            EXPECT_EQ(entry.crc, 0u);
            EXPECT_EQ(entry.kind, sv::EntryKind::SharedDataFile);
        }
    }
    using K = sv::EntryKind;
    const std::map<std::pair<std::wstring, K>, int> expected = {
        {{L"<InstallPath>\\Lang", K::ProgramFile}, 14},
        {{L"<InstallPath>", K::MainExecutable}, 1},
        {{L"<InstallPath>", K::Uninstaller}, 1},
        {{L"<CommonData>\\Kavrenco\\Sarvelio", K::SharedDataFile}, 5},
        {{L"<UserData>\\Kavrenco\\Sarvelio", K::SharedDataFile}, 1},
        {{L"<SamplePath>", K::SampleFile}, 6},
    };
    EXPECT_EQ(shape, expected);
    EXPECT_EQ(empty, 1);
    EXPECT_EQ(total, archive.size());
}

}  // namespace
