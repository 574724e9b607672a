// The process-wide language state and the message catalogue (string tables of the program).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/Language.h"

namespace sv {

struct LanguageState {
    std::uint32_t availableMask = 1;  // languages DefaultLanguage allows for the mask 0
    LanguageIndex index = kFrench;    // current language
    LCID lcid = 0;                    // locale of the current language
    HMODULE resourceModule = nullptr; // module read directly; filled on first need
    bool rightToLeft = false;
};

// The one language state, created on first use (French, its locale applied, thread locale set).
LanguageState& GetLanguageState();

void SetLanguage(LanguageIndex language);
LanguageIndex CurrentLanguage();

// The user's default language when its bit is set in `mask` (0: the state's availableMask),
// else English when allowed, else French.
LanguageIndex DefaultLanguage(std::uint32_t mask);

// Locale identifier of a language: the user's default LCID when it belongs to that language,
// else the language's LANGID.
LCID LanguageLcid(LanguageIndex language);

// Message number to load for a French message number in the current language.
std::uint32_t CatalogueId(std::uint32_t frenchNumber);
// Text of a message number as stored (empty when the program has none).
std::wstring LoadMessage(std::uint32_t id);
// Text of a French message number in the current language.
std::wstring CatalogueText(std::uint32_t frenchNumber);
// Message text with FormatMessage-style inserts %1, %2 replaced.
std::wstring FormatCatalogueText(std::uint32_t frenchNumber, const std::wstring& insert1,
                                 const std::wstring& insert2 = {});
std::wstring FormatInserts(const std::wstring& pattern, const std::wstring& insert1, const std::wstring& insert2 = {});

// The module whose resources are read directly (the program's own).
HMODULE ResourceModule();

// The language's own name for itself, first character upper-cased.
std::wstring NativeLanguageName(LanguageIndex language);
// Our own copy of the native names, used when the system knows none.
std::wstring BuiltInNativeLanguageName(LanguageIndex language);

bool IsRightToLeft(LanguageIndex language);

// Locale name (narrow) used for the standard library and the runtime library for a language.
std::string LocaleNameFor(LanguageIndex language);

}  // namespace sv
