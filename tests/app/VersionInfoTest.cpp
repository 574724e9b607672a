#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Localisation.h"
#include "app/ProductIdentity.h"
#include "app/VersionInfo.h"

namespace sv {
namespace {

using test::Fixture;

TEST(VersionInfo, OwnModuleCarriesTheInstallersResource) {
    const VersionInfo own = VersionInfo::OwnModule();
    ASSERT_FALSE(own.Empty());
    ASSERT_NE(own.FixedInfo(), nullptr);
    EXPECT_EQ(own.VersionNumber(), 0x0002000400010001ull);
    EXPECT_EQ(own.FileFlags(), 0u);
    EXPECT_EQ(own.Translations(), std::vector<std::wstring>{L"040004b0"});
    EXPECT_EQ(own.ProductName(), L"Install");
    EXPECT_EQ(own.ProductVersion(), L"2.04a");
    EXPECT_EQ(own.StringValue(L"FileVersion"), L"2.4.1.1");
    EXPECT_EQ(own.StringValue(L"OriginalFilename"), L"InstallSarvelio6.04h.exe");
    EXPECT_EQ(own.StringValue(L"CompanyName"), L"Kavrenco");
    EXPECT_FALSE(own.LegalCopyright().empty());
    EXPECT_EQ(own.StringValue(L"NoSuchValue"), L"");
    EXPECT_EQ(own.ProductTitle(), L"Install 2.04a");
    EXPECT_EQ(ApplicationId(), L"Sarvelio6");
}

TEST(VersionInfo, StringsComeFromTheFirstUnicodeTranslation) {
    const VersionInfo mixed(Fixture(L"mixed"));
    EXPECT_EQ(mixed.Translations(), std::vector<std::wstring>{L"040c04b0"});
    EXPECT_EQ(mixed.ProductName(), L"Sarvelio");

    const VersionInfo only1252(Fixture(L"only1252"));
    EXPECT_TRUE(only1252.Translations().empty());
    EXPECT_EQ(only1252.ProductName(), L"");
    EXPECT_EQ(only1252.VersionNumber(), 0x0006000400080002ull);  // the fixed part still counts
}

TEST(VersionInfo, MissingPartsGiveEmptyAnswers) {
    const VersionInfo noFixed(Fixture(L"nofixed"));
    EXPECT_FALSE(noFixed.Empty());
    EXPECT_EQ(noFixed.FixedInfo(), nullptr);
    EXPECT_EQ(noFixed.VersionNumber(), 0u);
    EXPECT_EQ(noFixed.ProductName(), L"Sarvelio");

    for (const std::wstring& path : {Fixture(L"nores"), test::TestFolder() + L"\\no-such-file.exe"}) {
        const VersionInfo none(path);
        EXPECT_TRUE(none.Empty());
        EXPECT_EQ(none.FixedInfo(), nullptr);
        EXPECT_TRUE(none.Translations().empty());
        EXPECT_EQ(none.ProductTitle(), L"");
    }
}

TEST(VersionInfo, TitlesOfFiles) {
    SetLanguage(kEnglish);
    EXPECT_EQ(VersionInfo(Fixture(L"v6482")).ProductTitle(), L"Sarvelix 6.04h");
    EXPECT_EQ(VersionInfo(Fixture(L"beta")).ProductTitle(), L"Sarvelix 6.05 beta");
    EXPECT_EQ(VersionInfo(Fixture(L"privdebug")).ProductTitle(), L"Sarvelix 6.04h \u2013 Private \u2013 Debug");
    SetLanguage(kFrench);
    EXPECT_EQ(VersionInfo(Fixture(L"v6482")).ProductTitle(), L"Sarvelio 6.04h");
    EXPECT_EQ(VersionInfo(Fixture(L"beta")).ProductTitle(), L"Sarvelio 6.05 b\u00EAta");
}

// The German marker is taken once per process from the first titled resource; each of these
// tests runs in a process of its own.
TEST(GermanMarker, FirstTitledResourceWithTheMarker) {
    SetLanguage(kGerman);
    EXPECT_EQ(VersionInfo(Fixture(L"german")).ProductTitle(), L"Sarvelon 6.04h");
    EXPECT_EQ(VersionInfo(Fixture(L"v6482")).ProductTitle(), L"Sarvelon 6.04h");  // the flag is reused
    SetLanguage(3);
    EXPECT_EQ(VersionInfo(Fixture(L"german")).ProductTitle(), L"Sarvelix 6.04h");
}

TEST(GermanMarker, FirstTitledResourceWithoutTheMarker) {
    SetLanguage(kGerman);
    EXPECT_EQ(VersionInfo(Fixture(L"v6482")).ProductTitle(), L"Sarvelix 6.04h");
    EXPECT_EQ(VersionInfo(Fixture(L"german")).ProductTitle(), L"Sarvelix 6.04h");
}

}  // namespace
}  // namespace sv
