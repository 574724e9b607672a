#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/InstallerState.h"
#include "app/Localisation.h"

namespace sv {
namespace {

std::vector<std::uint32_t> MessageNumbers() {
    std::vector<std::uint32_t> numbers;
    for (std::uint32_t n = 1000; n <= 1018; ++n) numbers.push_back(n);
    for (std::uint32_t n = 1100; n <= 1129; ++n)
        if (n != 1116 && n != 1128) numbers.push_back(n);
    return numbers;
}

TEST(Catalogue, FrenchAndEnglishBlocksAreComplete) {
    for (std::uint32_t n : MessageNumbers()) {
        EXPECT_FALSE(LoadMessage(n).empty()) << n;
        EXPECT_NE(LoadMessage(n), L"#") << n;
        EXPECT_FALSE(LoadMessage(n + 1000).empty()) << n + 1000;
        EXPECT_NE(LoadMessage(n + 1000), L"#") << n + 1000;
    }
}

TEST(Catalogue, EveryLanguageBlockHasEveryMessageAndTheUntranslatedOnesOnlyMarks) {
    for (const auto& language : Languages()) {
        if (language.index <= kEnglish) continue;
        int marks = 0;
        for (std::uint32_t n : MessageNumbers()) {
            const std::wstring text = LoadMessage(n + static_cast<std::uint32_t>(language.catalogueOffset));
            EXPECT_FALSE(text.empty()) << language.englishName << " " << n;
            if (text == L"#") ++marks;
            if (IsInstallerLanguage(language.index)) {
                const bool czechInstall = language.index == 12 && n == 1007;
                EXPECT_EQ(text == L"#", czechInstall) << language.englishName << " " << n;
            }
        }
        const bool allMarks = language.index == 10 || language.index == 8 || language.index == 14 ||
                              language.index == 15 || language.index == 17 || language.index == 18 ||
                              language.index == 20;
        if (allMarks) {
            EXPECT_EQ(marks, static_cast<int>(MessageNumbers().size())) << language.englishName;
        }
    }
}

TEST(Catalogue, EnglishTextsKeepTheirExactSpacing) {
    EXPECT_EQ(LoadMessage(2115), L"Copying File  %1...");
    EXPECT_EQ(LoadMessage(2110), L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
    EXPECT_EQ(LoadMessage(2129),
              L"'%1' will be installed in the selected Langage, but the Installer, still under translation,  shall run "
              L"in English.");
    EXPECT_EQ(LoadMessage(2014), L"Select Installation Langage");
    EXPECT_EQ(LoadMessage(1126),
              L"Vous devez disposer de privil\u00E8ges d'administrateur sur cet ordinateur pour pouvoir effectuer "
              L"l'installation.");
    EXPECT_EQ(LoadMessage(1127), L"Vous devez fermer '%1' avant de poursuivre l'installation.");
    EXPECT_EQ(LoadMessage(99999), L"");  // no such message: empty
}

TEST(Catalogue, LookupFollowsTheCurrentLanguage) {
    struct Case {
        LanguageIndex language;
        std::uint32_t n;
        std::uint32_t expected;
    };
    const Case cases[] = {{kGerman, 1000, 3000}, {kItalian, 1000, 6000}, {5, 1000, 2000}, {12, 1007, 2007},
                          {12, 1006, 13006},     {kFrench, 1126, 1126},  {kEnglish, 1126, 2126}};
    for (const auto& c : cases) {
        SetLanguage(c.language);
        EXPECT_EQ(CatalogueId(c.n), c.expected) << c.language << " " << c.n;
    }
    SetLanguage(12);
    EXPECT_EQ(CatalogueText(1007), L"Install");
}

TEST(Catalogue, ApplicationTitle) {
    SetLanguage(kEnglish);
    EXPECT_EQ(InstallerState::ApplicationTitle(), L"Installer \u2013 Sarvelix 6.04h");
    SetLanguage(kFrench);
    EXPECT_EQ(InstallerState::ApplicationTitle(), L"Installeur \u2013 Sarvelio 6.04h");
    SetLanguage(15);  // Polish: untranslated, the English text with the English product name
    EXPECT_EQ(InstallerState::ApplicationTitle(), L"Installer \u2013 Sarvelix 6.04h");
}

TEST(Catalogue, FormatInserts) {
    EXPECT_EQ(FormatInserts(L"Update from '%1' to '%2'.", L"A", L"B"), L"Update from 'A' to 'B'.");
    EXPECT_EQ(FormatInserts(L"%2%1%%", L"a", L"b"), L"ba%");
}

TEST(LanguageState, CreationAndChanges) {
    LanguageState& state = GetLanguageState();
    EXPECT_EQ(state.index, kFrench);
    EXPECT_EQ(state.availableMask, 1u);
    EXPECT_EQ(DefaultLanguage(0), kFrench);  // mask 0 means the available mask: French only
    EXPECT_NE(ResourceModule(), nullptr);
    SetLanguage(kHebrew);
    EXPECT_EQ(state.index, kHebrew);
    EXPECT_EQ(state.resourceModule, nullptr);  // emptied on every change
    EXPECT_TRUE(state.rightToLeft);
    EXPECT_EQ(LANGIDFROMLCID(state.lcid), 0x040D);
    SetLanguage(kGerman);
    EXPECT_FALSE(state.rightToLeft);
    EXPECT_EQ(LANGIDFROMLCID(state.lcid), 0x0407);
    // Numbers keep the "C" conventions whatever the language.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

TEST(LanguageState, NativeNamesOfTheListedLanguages) {
    for (LanguageIndex language : StartPageLanguages()) {
        const std::wstring name = NativeLanguageName(language);
        ASSERT_FALSE(name.empty()) << language;
        EXPECT_TRUE(IsCharUpperW(name[0]) || !IsCharLowerW(name[0])) << test::Narrow(name);
    }
    EXPECT_EQ(NativeLanguageName(kFrench), L"Fran\u00E7ais");
    EXPECT_EQ(NativeLanguageName(kGerman), L"Deutsch");
    EXPECT_EQ(NativeLanguageName(kEnglish), L"English");
    // The system may know no name for Serbian (Latin); ours is the same fact.
    EXPECT_EQ(NativeLanguageName(20), L"Srpski");
}

TEST(LanguageState, OnlyHebrewIsRightToLeft) {
    for (const auto& language : Languages()) EXPECT_EQ(IsRightToLeft(language.index), language.index == kHebrew);
}

// Run by CTest once per simulated user language (LC_ALL before wine sets the user's default
// language); SV_EXPECTED_LANGUAGE is the language the installer must settle on.
TEST(UserLanguage, SettlesFromSystemLanguage) {
    const char* expected = std::getenv("SV_EXPECTED_LANGUAGE");
    if (expected == nullptr) GTEST_SKIP() << "run through CTest with a simulated user language";
    test::RegistrySandbox sandbox;
    InstallerState state;
    state.SettleLanguage();
    EXPECT_EQ(CurrentLanguage(), std::atoi(expected)) << "user LANGID " << std::hex << GetUserDefaultLangID();
}

}  // namespace
}  // namespace sv
