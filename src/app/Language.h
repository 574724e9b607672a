// The installer's languages: the fixed table of the 21 known languages and the rules that pick
// a language and a message number. Portable: no platform calls; the Windows side lives in
// Localisation.h.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace sv {

using LanguageIndex = std::int32_t;  // 0 to 20; other numbers are handled like French where noted

inline constexpr LanguageIndex kFrench = 0;
inline constexpr LanguageIndex kEnglish = 1;
inline constexpr LanguageIndex kGerman = 2;
inline constexpr LanguageIndex kItalian = 11;
inline constexpr LanguageIndex kHebrew = 16;
inline constexpr LanguageIndex kLanguageCount = 21;

// Bit n set for each product language (the languages offered to the user).
inline constexpr std::uint32_t kProductLanguageMask = 0x18CFBF;

struct LanguageInfo {
    LanguageIndex index;
    const char* englishName;
    std::uint16_t langId;
    std::int32_t catalogueOffset;
    std::uint16_t primaryLanguage;  // low 10 bits of a LANGID mapped to this index
    int flagIcon;                   // icon resource of the flag
    int listPosition;               // 1-based position on the start page; 0 when not listed
};

// The 21 languages in index order.
std::span<const LanguageInfo> Languages();

// LANGID of a language; any other number gives French's 0x040C.
std::uint16_t LanguageId(LanguageIndex index);
// Offset of a language's message block; 0 for numbers outside the table.
std::int32_t CatalogueOffset(LanguageIndex index);
bool IsProductLanguage(std::int64_t number);
bool IsInstallerLanguage(std::int64_t number);
int FlagIcon(LanguageIndex index);

// The language a user's default LANGID maps to, or -1 when none (Chinese only for
// sub-languages 2 and 4).
LanguageIndex LanguageForLangId(std::uint16_t langId);

// The language chosen for a user language under a mask of allowed languages: the mapped
// language when its bit is set, else English when bit 1 is set, else French.
LanguageIndex DefaultLanguageFor(std::uint16_t userLangId, std::uint32_t mask);

// Message catalogue: a message has number N in the French block and N + offset in the block of
// its language; a text of exactly "#" marks a message that a language lacks.
// `text` loads the text of a message number (empty when it does not exist).
using MessageLookup = std::function<std::wstring(std::uint32_t)>;
std::uint32_t CatalogueIdFor(LanguageIndex current, std::uint32_t frenchNumber, const MessageLookup& text);

// The product languages in the order the start page lists them.
std::span<const LanguageIndex> StartPageLanguages();

}  // namespace sv
