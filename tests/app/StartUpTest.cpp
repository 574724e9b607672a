#include <gtest/gtest.h>

#include "app/ProductIdentity.h"
#include "app/StartUp.h"

namespace sv {
namespace {

const std::wstring kCommonControls6 =
    L"Microsoft.Windows.Common-Controls,processorArchitecture=\"amd64\",publicKeyToken=\"6595b64144ccf1df\","
    L"type=\"win32\",version=\"6.0.0.0\"";

TEST(CommonControls, VersionDecision) {
    struct Case {
        std::optional<DWORD> dllVersion;
        std::wstring redirection;
        bool accepted;
    };
    const Case cases[] = {
        {0x60000, L"", true},
        {0x6000A, L"", true},
        {0x50051, L"", false},  // 5.81 and no redirection
        {std::nullopt, L"", false},
        {0x50051, kCommonControls6, true},  // a v6 library that misreports its version
        {std::nullopt, kCommonControls6, true},
        {0x50051, L"Microsoft.Windows.Common-Controls,version=\"5.82.0.0\"", false},
        {0x50051, L"Contoso.Controls,version=\"6.0.0.0\"", false},
        {0x50051, L"Microsoft.Windows.Common-Controls,oldversion=\"6.0.0.0\"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommonControlsVersionAccepted(c.dllVersion, c.redirection), c.accepted) << c.dllVersion.value_or(0);
}

TEST(CommonControls, TheProgramGetsVersion6ThroughItsManifest) {
    // This test program carries the installer's manifest. On Windows DllGetVersion already says 6.x;
    // Wine's v6 library says 5.81, and the activation context names the 6.0 assembly.
    const auto version = CommonControlsDllVersion();
    const std::wstring redirection = CommonControlsRedirection();
    ASSERT_TRUE(version.has_value());
    EXPECT_TRUE(*version >= 0x60000 || redirection.find(L"Microsoft.Windows.Common-Controls") == 0)
        << std::hex << *version;
    EXPECT_TRUE(CommonControlsVersionAccepted(version, redirection));
}

TEST(LibrarySetUp, SucceedsAndKeepsThePublisherFolders) {
    ASSERT_TRUE(TrySetUpLibrary());
    const KnownFolders& folders = LibraryFolders();
    EXPECT_FALSE(folders.documents.empty());
    EXPECT_EQ(folders.publisherProgramData.substr(folders.publisherProgramData.size() - 9), L"\\Kavrenco");
    EXPECT_EQ(folders.publisherAppData.substr(folders.publisherAppData.size() - 9), L"\\Kavrenco");
    EXPECT_EQ(ApplicationId(), L"Sarvelio6");
    EXPECT_EQ(GetErrorMode() & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

TEST(ProcessorCheck, TrilingualText) {
    EXPECT_EQ(UnsupportedProcessorText(),
              L"This Version is not compatible with your Configuration.\n\nCette version n'est pas compatible avec "
              L"votre configuration.\n\nDiese Version ist nicht mit Ihrer Konfiguration kompatibel.");
}

}  // namespace
}  // namespace sv
