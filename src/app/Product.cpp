#include "app/Product.h"

#include <array>
#include <cstdio>

namespace sv {
namespace {

struct ProductKeyEntry {
    std::uint32_t number;
    const wchar_t* key;
};

// The publisher's product families: number = family << 8 | major version.
constexpr std::array<ProductKeyEntry, 9> kProductKeys{{
    {0x104, L"Kavrenco Atelier 4"},
    {0x105, L"Kavrenco Atelier 5"},
    {0x204, L"Sarvelio 4"},
    {0x205, L"Sarvelio 5"},
    {0x206, L"Sarvelio 6"},
    {0x207, L"Sarvelio 7"},
    {0x303, L"Kavrenco Studio 3"},
    {0x304, L"Kavrenco Studio 4"},
    {0x401, L"Kavrenco Viewer 1"},
}};

constexpr std::uint32_t kFamilyOfThisProduct = 2;
constexpr std::uint32_t kPrerelease = 0x2;    // VS_FF_PRERELEASE
constexpr std::uint32_t kPrivateBuild = 0x8;  // VS_FF_PRIVATEBUILD
constexpr std::uint32_t kDebug = 0x1;         // VS_FF_DEBUG

std::string Describe(std::uint32_t number) {
    char text[64];
    std::snprintf(text, sizeof text, "no product key for product number %u", number);
    return text;
}

}  // namespace

UnknownProductError::UnknownProductError(std::uint32_t number) : std::out_of_range(Describe(number)) {}

std::wstring ProductKeyFor(std::uint32_t productNumber) {
    for (const auto& entry : kProductKeys)
        if (entry.number == productNumber) return entry.key;
    throw UnknownProductError(productNumber);
}

std::wstring ProductKey() { return ProductKeyFor(kProductNumber); }

void ReplaceFirst(std::wstring& text, const std::wstring& what, const std::wstring& with) {
    const auto at = text.find(what);
    if (at != std::wstring::npos) text.replace(at, what.size(), with);
}

void ReplaceLast(std::wstring& text, const std::wstring& what, const std::wstring& with) {
    const auto at = text.rfind(what);
    if (at != std::wstring::npos) text.replace(at, what.size(), with);
}

std::wstring ProductDisplayNameFor(LanguageIndex language, bool withVersion) {
    std::wstring name = product::kFrenchName;
    if (language != kFrench) ReplaceFirst(name, product::kFrenchName, product::kEnglishName);
    if (withVersion) name += L" " + std::wstring(product::kVersionLabel);
    return name;
}

std::wstring ProductFolderNameFor(LanguageIndex language) {
    std::wstring name = ProductKey();
    if (language != kFrench) ReplaceFirst(name, product::kFrenchName, product::kEnglishName);
    return name;
}

std::wstring ProductTitleFrom(const TitleSource& source, std::uint32_t productNumber, bool germanMarker,
                              LanguageIndex language) {
    std::wstring title = source.productName;
    if ((productNumber >> 8) == kFamilyOfThisProduct) {
        if (germanMarker && language == kGerman)
            ReplaceLast(title, product::kFrenchName, product::kGermanName);
        else if (language != kFrench)
            ReplaceLast(title, product::kFrenchName, product::kEnglishName);
    }
    if (!source.productVersion.empty()) title += L" " + source.productVersion;
    if ((source.fileFlags & kPrerelease) != 0 && language != kFrench) ReplaceLast(title, L"b\u00EAta", L"beta");
    if ((source.fileFlags & kPrivateBuild) != 0) title += L" \u2013 Private";
    if ((source.fileFlags & kDebug) != 0) title += L" \u2013 Debug";
    return title;
}

InstallMode InstallModeFor(bool programFound, std::optional<std::uint64_t> installedVersion, std::uint64_t builtIn) {
    if (!programFound) return InstallMode::FreshInstall;
    if (!installedVersion) return InstallMode::SameVersion;
    if (*installedVersion > builtIn) return InstallMode::NewerInstalled;
    if (*installedVersion < builtIn) return InstallMode::Update;
    return InstallMode::SameVersion;
}

}  // namespace sv
