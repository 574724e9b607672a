#include "app/Language.h"

#include <array>

namespace sv {
namespace {

constexpr std::array<LanguageInfo, kLanguageCount> kLanguages{{
    {0, "French", 0x040C, 0, 0x0C, 144, 1},
    {1, "English", 0x0409, 1000, 0x09, 145, 2},
    {2, "German", 0x0407, 2000, 0x07, 141, 3},
    {3, "Spanish", 0x0C0A, 3000, 0x0A, 143, 4},
    {4, "Portuguese", 0x0816, 4000, 0x16, 148, 6},
    {5, "Dutch", 0x0413, 6000, 0x13, 147, 7},
    {6, "Danish", 0x0406, 7000, 0x06, 142, 0},
    {7, "Turkish", 0x041F, 8000, 0x1F, 149, 10},
    {8, "Bulgarian", 0x0402, 10000, 0x02, 150, 11},
    {9, "Romanian", 0x0418, 11000, 0x18, 151, 12},
    {10, "Chinese (Simplified)", 0x0804, 9000, 0x04, 152, 13},
    {11, "Italian", 0x0410, 5000, 0x10, 146, 5},
    {12, "Czech", 0x0405, 12000, 0x05, 153, 0},
    {13, "Norwegian (Bokmal)", 0x0414, 13000, 0x14, 154, 0},
    {14, "Greek", 0x0408, 14000, 0x08, 155, 9},
    {15, "Polish", 0x0415, 15000, 0x15, 156, 8},
    {16, "Hebrew", 0x040D, 16000, 0x0D, 157, 0},
    {17, "Vietnamese", 0x042A, 17000, 0x2A, 158, 0},
    {18, "Japanese", 0x0411, 18000, 0x11, 160, 0},
    {19, "Hungarian", 0x040E, 19000, 0x0E, 161, 14},
    {20, "Serbian (Latin)", 0x081A, 20000, 0x1A, 162, 15},
}};

// Languages into which the installer's own texts are not translated.
constexpr std::uint32_t kUntranslatedMask =
    (1u << 5) | (1u << 6) | (1u << 8) | (1u << 10) | (1u << 13) | (1u << 14) | (1u << 15) |
    (1u << 16) | (1u << 17) | (1u << 18) | (1u << 20);

constexpr std::array<LanguageIndex, 15> kStartPageOrder{0, 1, 2, 3, 11, 4, 5, 15, 14, 7, 8, 9, 10, 19, 20};

bool InTable(std::int64_t n) { return n >= 0 && n < kLanguageCount; }

constexpr std::uint16_t kPrimaryChinese = 0x04;

}  // namespace

std::span<const LanguageInfo> Languages() { return kLanguages; }

std::uint16_t LanguageId(LanguageIndex index) {
    return InTable(index) ? kLanguages[static_cast<std::size_t>(index)].langId : std::uint16_t{0x040C};
}

std::int32_t CatalogueOffset(LanguageIndex index) {
    return InTable(index) ? kLanguages[static_cast<std::size_t>(index)].catalogueOffset : 0;
}

bool IsProductLanguage(std::int64_t number) {
    return InTable(number) && (kProductLanguageMask >> number & 1u) != 0;
}

bool IsInstallerLanguage(std::int64_t number) {
    return !InTable(number) || (kUntranslatedMask >> number & 1u) == 0;
}

int FlagIcon(LanguageIndex index) {
    return InTable(index) ? kLanguages[static_cast<std::size_t>(index)].flagIcon : 0;
}

LanguageIndex LanguageForLangId(std::uint16_t langId) {
    const std::uint16_t primary = langId & 0x3FF;
    const std::uint16_t sub = langId >> 10;
    if (primary == kPrimaryChinese && sub != 2 && sub != 4) return -1;
    for (const auto& language : kLanguages)
        if (language.primaryLanguage == primary) return language.index;
    return -1;
}

LanguageIndex DefaultLanguageFor(std::uint16_t userLangId, std::uint32_t mask) {
    const LanguageIndex fallback = (mask & 2u) != 0 ? kEnglish : kFrench;
    const LanguageIndex mapped = LanguageForLangId(userLangId);
    if (mapped >= 0 && (mask >> mapped & 1u) != 0) return mapped;
    return fallback;
}

std::uint32_t CatalogueIdFor(LanguageIndex current, std::uint32_t n, const MessageLookup& text) {
    const std::wstring untranslated = L"#";
    const std::uint32_t english = n + 1000;
    if (!IsInstallerLanguage(current)) return text(english) != untranslated ? english : n;
    if (current == kFrench) return n;
    const std::uint32_t own = n + static_cast<std::uint32_t>(CatalogueOffset(current));
    if (text(own) != untranslated) return own;
    if (current == kEnglish) return n;
    return text(english) != untranslated ? english : n;
}

std::span<const LanguageIndex> StartPageLanguages() { return kStartPageOrder; }

}  // namespace sv
