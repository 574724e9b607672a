#include <gtest/gtest.h>

#include "app/Product.h"

namespace sv {
namespace {

TEST(ProductRules, KeyTable) {
    EXPECT_EQ(ProductKey(), L"Sarvelio 6");
    EXPECT_EQ(ProductKeyFor(0x206), L"Sarvelio 6");
    EXPECT_THROW(ProductKeyFor(0x999), UnknownProductError);
    EXPECT_THROW(ProductKeyFor(0), UnknownProductError);
}

TEST(ProductRules, NamesFollowTheLanguage) {
    EXPECT_EQ(ProductDisplayNameFor(kFrench, true), L"Sarvelio 6.04h");
    EXPECT_EQ(ProductDisplayNameFor(kFrench, false), L"Sarvelio");
    EXPECT_EQ(ProductDisplayNameFor(kEnglish, true), L"Sarvelix 6.04h");
    EXPECT_EQ(ProductDisplayNameFor(kGerman, false), L"Sarvelix");
    EXPECT_EQ(ProductFolderNameFor(kItalian), L"Sarvelix 6");
    EXPECT_EQ(ProductFolderNameFor(kFrench), L"Sarvelio 6");
}

TEST(ProductRules, Titles) {
    struct Case {
        TitleSource source;
        bool germanMarker;
        LanguageIndex language;
        const wchar_t* expected;
    };
    const TitleSource plain{L"Sarvelio", L"6.04h", 0};
    const TitleSource beta{L"Sarvelio", L"6.05 b\u00EAta", 0x2};
    const Case cases[] = {
        {plain, false, kEnglish, L"Sarvelix 6.04h"},
        {plain, false, kFrench, L"Sarvelio 6.04h"},
        {plain, false, kGerman, L"Sarvelix 6.04h"},
        {plain, true, kGerman, L"Sarvelon 6.04h"},
        {plain, true, 3, L"Sarvelix 6.04h"},  // Spanish: the marker only counts in German
        {plain, true, kFrench, L"Sarvelio 6.04h"},
        {beta, false, kEnglish, L"Sarvelix 6.05 beta"},
        {beta, false, kFrench, L"Sarvelio 6.05 b\u00EAta"},
        {{L"Sarvelio", L"6.05 b\u00EAta", 0}, false, kEnglish, L"Sarvelix 6.05 b\u00EAta"},  // not a pre-release
        {{L"Sarvelio", L"6.04h", 0x8 | 0x1}, false, kEnglish, L"Sarvelix 6.04h \u2013 Private \u2013 Debug"},
        {{L"Sarvelio", L"6.04h", 0x1}, false, kFrench, L"Sarvelio 6.04h \u2013 Debug"},
        {{L"Sarvelio Sarvelio", L"", 0}, false, kEnglish, L"Sarvelio Sarvelix"},  // last occurrence, no version
        {{L"", L"", 0}, false, kEnglish, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProductTitleFrom(c.source, kProductNumber, c.germanMarker, c.language), c.expected)
            << c.language << " marker " << c.germanMarker;
    // Another product family keeps its name.
    EXPECT_EQ(ProductTitleFrom(plain, 0x304, false, kEnglish), L"Sarvelio 6.04h");
}

TEST(ProductRules, InstallModeComparesTheWholeVersionNumber) {
    auto v = [](std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d) {
        return a << 48 | b << 32 | c << 16 | d;
    };
    EXPECT_EQ(v(6, 4, 8, 2), product::kVersionNumber);
    struct Case {
        std::uint64_t installed;
        InstallMode expected;
    };
    const Case cases[] = {
        {v(6, 4, 8, 2), InstallMode::SameVersion},    {v(6, 4, 8, 3), InstallMode::NewerInstalled},
        {v(6, 5, 0, 0), InstallMode::NewerInstalled}, {v(6, 4, 9, 0), InstallMode::NewerInstalled},
        {v(6, 4, 8, 1), InstallMode::Update},         {v(5, 9, 9, 9), InstallMode::Update},
        {v(0xFFFF, 0, 0, 0), InstallMode::NewerInstalled},  // unsigned comparison
    };
    for (const auto& c : cases) EXPECT_EQ(InstallModeFor(true, c.installed), c.expected) << std::hex << c.installed;
    EXPECT_EQ(InstallModeFor(false, std::nullopt), InstallMode::FreshInstall);
    EXPECT_EQ(InstallModeFor(true, std::nullopt), InstallMode::SameVersion);
}

}  // namespace
}  // namespace sv
