#include <gtest/gtest.h>

#include "install/LogText.h"

namespace sv {
namespace {

TEST(LogText, ProgressInWholePercent) {
    struct Case {
        std::uint64_t done, total;
        int percent;
    };
    const Case cases[] = {
        {0, 1000, 0},       {5, 1000, 1},    // half a percent counts as one
        {4, 1000, 0},       {999, 1000, 99}, // never 100 before the end
        {995, 1000, 99},    {1000, 1000, 100},
        {19075340, 19075341, 99},            // the last byte of a large payload
        {1, 3, 33},         {2, 3, 67},
        {0, 0, 100},        // nothing to write: done
    };
    for (const auto& c : cases) EXPECT_EQ(ProgressPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

TEST(LogText, HeadingHyphens) {
    // A log 300 pixels wide with margins of 2 pixels: 300 - 2 - 2 - 2 = 294 pixels; hyphens of 5.
    const auto separator = HeadingHyphens(294, 0, 5, false);
    EXPECT_EQ(separator.left, 58);
    EXPECT_EQ(separator.right, 0);
    const auto odd = HeadingHyphens(294, 100, 5, true);  // 194 / 5 = 38 hyphens
    EXPECT_EQ(odd.left + odd.right, 38);
    EXPECT_EQ(odd.left, 19);
    const auto even = HeadingHyphens(294, 94, 5, true);  // 200 / 5 = 40
    EXPECT_EQ(even.left, 20);
    EXPECT_EQ(even.right, 20);
    const auto uneven = HeadingHyphens(294, 99, 5, true);  // 195 / 5 = 39: the longer run on the right
    EXPECT_EQ(uneven.left, 19);
    EXPECT_EQ(uneven.right, 20);
    const auto tooWide = HeadingHyphens(294, 400, 5, true);
    EXPECT_EQ(tooWide.left + tooWide.right, 0);
}

TEST(LogText, HeadingLineFillsTheWidthWithHyphens) {
    // A log 300 pixels wide with margins of 2 pixels and hyphens 5 pixels wide.
    EXPECT_EQ(HeadingLine(L"", 300 - 2 - 2 - 2, 0, 5), std::wstring(58, L'-') + L"\r\n");
    // A heading: centred, the longer run on the right.
    EXPECT_EQ(HeadingLine(L"Options", 100, 45, 5), std::wstring(5, L'-') + L" Options " + std::wstring(6, L'-') + L"\r\n");
    EXPECT_EQ(HeadingLine(L"Options", 100, 40, 5), std::wstring(6, L'-') + L" Options " + std::wstring(6, L'-') + L"\r\n");
    // A heading wider than the log keeps its text without hyphens.
    EXPECT_EQ(HeadingLine(L"Options", 30, 45, 5), L" Options \r\n");
}

TEST(LogText, RegistrationCommandLine) {
    EXPECT_EQ(RegistrationCommandLine(L"\"C:\\Program Files\\Kavrenco\\Sarvelix 6\\Sarvelio.exe\"", 0),
              L"\"C:\\Program Files\\Kavrenco\\Sarvelix 6\\Sarvelio.exe\" /Register /Background");
    EXPECT_EQ(RegistrationCommandLine(L"C:\\S\\Sarvelio.exe", 0x0006000400070001ull),
              L"C:\\S\\Sarvelio.exe /Register /Background /update=0006000400070001");
    EXPECT_EQ(RegistrationCommandLine(L"a.exe", 0xFEDCBA9876543210ull), L"a.exe /Register /Background /update=fedcba9876543210");
}

}  // namespace
}  // namespace sv
