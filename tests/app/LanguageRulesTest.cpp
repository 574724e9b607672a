#include <gtest/gtest.h>

#include <map>

#include "app/Language.h"

namespace sv {
namespace {

TEST(LanguageRules, ProductAndInstallerLanguagesIncludingNumbersOutsideTheTable) {
    for (std::int64_t n = -3; n <= 24; ++n) {
        const bool inTable = n >= 0 && n <= 20;
        const bool product = inTable && ((0x18CFBFu >> n) & 1u);
        const bool untranslated = n == 5 || n == 6 || n == 8 || n == 10 || (n >= 13 && n <= 18) || n == 20;
        EXPECT_EQ(IsProductLanguage(n), product) << n;
        EXPECT_EQ(IsInstallerLanguage(n), !untranslated) << n;
    }
}

TEST(LanguageRules, NumbersOutsideTheTableBehaveLikeFrench) {
    for (LanguageIndex n : {-1, 21, 1000}) {
        EXPECT_EQ(LanguageId(n), 0x040C) << n;
        EXPECT_EQ(CatalogueOffset(n), 0) << n;
    }
    EXPECT_EQ(CatalogueOffset(kItalian), 5000);
    EXPECT_EQ(CatalogueOffset(10), 9000);  // Chinese sits before Bulgarian in the catalogue
}

TEST(LanguageRules, DefaultLanguageFromTheUsersLanguage) {
    struct Case {
        std::uint16_t userLangId;
        std::uint32_t mask;
        LanguageIndex expected;
    };
    const Case cases[] = {
        {0x0406, kProductLanguageMask, kEnglish},  // Danish: not a product language
        {0x0405, kProductLanguageMask, kEnglish},  // Czech
        {0x0414, kProductLanguageMask, kEnglish},  // Norwegian
        {0x040D, kProductLanguageMask, kEnglish},  // Hebrew
        {0x042A, kProductLanguageMask, kEnglish},  // Vietnamese
        {0x0411, kProductLanguageMask, kEnglish},  // Japanese
        {0x0416, kProductLanguageMask, 4},         // Portuguese (Brazil) by its primary language
        {0x0404, kProductLanguageMask, kEnglish},  // Chinese (Taiwan): sub-language 1
        {0x0C04, kProductLanguageMask, kEnglish},  // Chinese (Hong Kong): sub-language 3
        {0x0804, kProductLanguageMask, 10},        // Chinese (China)
        {0x1004, kProductLanguageMask, 10},        // Chinese (Singapore)
        {0x041A, kProductLanguageMask, 20},        // Croatian maps to Serbian (Latin)
        {0x0C1A, kProductLanguageMask, 20},        // Serbian (Cyrillic)
        {0x0407, kProductLanguageMask, kGerman},
        {0x0807, kProductLanguageMask, kGerman},   // German (Switzerland)
        {0x0407, 0x1, kFrench},                    // German not allowed, English not allowed either
        {0x0407, 0x3, kEnglish},
        {0x0436, kProductLanguageMask, kEnglish},  // Afrikaans: unknown
    };
    for (const auto& c : cases)
        EXPECT_EQ(DefaultLanguageFor(c.userLangId, c.mask), c.expected) << std::hex << c.userLangId << " " << c.mask;
}

TEST(LanguageRules, CatalogueIdFallsBackToEnglishThenFrench) {
    // A small catalogue: 1000 translated everywhere, 1007 missing in Czech, 1004 missing in English
    // and Dutch, 1005 missing in Dutch only.
    std::map<std::uint32_t, std::wstring> texts;
    for (const auto& language : Languages()) {
        const std::uint32_t base = static_cast<std::uint32_t>(language.catalogueOffset);
        for (std::uint32_t n : {1000u, 1004u, 1005u, 1007u}) texts[base + n] = L"text";
    }
    texts[12000 + 1007] = L"#";
    texts[1000 + 1004] = L"#";
    texts[6000 + 1004] = L"#";
    texts[6000 + 1005] = L"#";
    texts[2000 + 1004] = L"#";  // German lacks 1004 too
    const MessageLookup lookup = [&](std::uint32_t id) {
        const auto found = texts.find(id);
        return found == texts.end() ? std::wstring{} : found->second;
    };
    struct Case {
        LanguageIndex language;
        std::uint32_t n;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {kGerman, 1000, 3000}, {kItalian, 1000, 6000}, {5, 1000, 2000},  // Dutch: not an installer language
        {kFrench, 1000, 1000}, {kEnglish, 1000, 2000}, {12, 1007, 2007}, // Czech 1007 "#": English
        {kEnglish, 1004, 1004},                                           // English "#": French
        {kGerman, 1004, 1004},                                            // German and English "#": French
        {5, 1004, 1004},                                                  // Dutch: English "#": French
        {5, 1005, 2005},                                                  // Dutch never reads its own block
        {25, 1000, 1000},                                                 // outside the table: offset 0
    };
    for (const auto& c : cases)
        EXPECT_EQ(CatalogueIdFor(c.language, c.n, lookup), c.expected) << c.language << " " << c.n;
}

TEST(LanguageRules, StartPageListsTheProductLanguagesByPosition) {
    const auto order = StartPageLanguages();
    ASSERT_EQ(order.size(), 15u);
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_TRUE(IsProductLanguage(order[i]));
        EXPECT_EQ(Languages()[static_cast<std::size_t>(order[i])].listPosition, static_cast<int>(i + 1));
    }
    EXPECT_EQ(FlagIcon(18), 160);  // there is no icon 159
    EXPECT_EQ(FlagIcon(17), 158);
}

}  // namespace
}  // namespace sv
