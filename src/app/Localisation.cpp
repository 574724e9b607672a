#include "app/Localisation.h"

#include <clocale>
#include <locale>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace sv {
namespace {

// Makes the runtime library's locale process-wide. MinGW's msvcrt import library only has a stub
// for per-thread locales (it answers -1), and msvcrt's locale is process-wide anyway, so the
// answer is not an error.
void MakeLocaleProcessWide() { _configthreadlocale(_DISABLE_PER_THREAD_LOCALE); }

void ApplyLocale(LanguageIndex language) {
    const std::string name = LocaleNameFor(language);
    try {
        std::locale::global(std::locale(name));
    } catch (const std::runtime_error&) {
        std::locale::global(std::locale::classic());
    }
    std::setlocale(LC_ALL, "C");
    // LC_NUMERIC stays "C": numbers are always read and written the same way.
    for (int category : {LC_CTYPE, LC_COLLATE, LC_TIME, LC_MONETARY}) std::setlocale(category, name.c_str());
}

constexpr std::uint16_t kPrimaryMask = 0x3FF;

}  // namespace

LCID LanguageLcid(LanguageIndex language) {
    const LCID user = GetUserDefaultLCID();
    const LANGID id = LanguageId(language);
    return LANGIDFROMLCID(user) == id ? user : MAKELCID(id, SORT_DEFAULT);
}

std::string LocaleNameFor(LanguageIndex language) {
    LCID lcid = LanguageLcid(language);
    if ((GetUserDefaultLangID() & kPrimaryMask) == (LANGIDFROMLCID(lcid) & kPrimaryMask)) lcid = LOCALE_USER_DEFAULT;
    wchar_t wide[85] = {};
    if (LCIDToLocaleName(lcid, wide, 85, 0) == 0) return {};
    std::string narrow;
    for (const wchar_t* p = wide; *p; ++p) narrow.push_back(static_cast<char>(*p));
    return narrow;
}

LanguageState& GetLanguageState() {
    static LanguageState state = [] {
        LanguageState created;
        created.availableMask = 1;
        created.index = kFrench;
        created.lcid = LanguageLcid(kFrench);
        created.resourceModule = nullptr;
        created.rightToLeft = false;
        MakeLocaleProcessWide();
        ApplyLocale(kFrench);
        SetThreadLocale(created.lcid);
        return created;
    }();
    return state;
}

void SetLanguage(LanguageIndex language) {
    LanguageState& state = GetLanguageState();
    if (language != state.index) ApplyLocale(language);
    state.index = language;
    state.lcid = LanguageLcid(language);
    state.resourceModule = nullptr;
    state.rightToLeft = IsRightToLeft(language);
}

LanguageIndex CurrentLanguage() { return GetLanguageState().index; }

LanguageIndex DefaultLanguage(std::uint32_t mask) {
    if (mask == 0) mask = GetLanguageState().availableMask;
    return DefaultLanguageFor(GetUserDefaultLangID(), mask);
}

HMODULE ResourceModule() {
    LanguageState& state = GetLanguageState();
    if (state.resourceModule == nullptr) state.resourceModule = GetModuleHandleW(nullptr);
    return state.resourceModule;
}

std::wstring LoadMessage(std::uint32_t id) {
    if (id > 0xFFFF) return {};
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out the resource's own read-only text.
    const int length = LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return std::wstring(text, static_cast<std::size_t>(length));
}

std::uint32_t CatalogueId(std::uint32_t frenchNumber) {
    return CatalogueIdFor(CurrentLanguage(), frenchNumber, LoadMessage);
}

std::wstring CatalogueText(std::uint32_t frenchNumber) { return LoadMessage(CatalogueId(frenchNumber)); }

std::wstring FormatInserts(const std::wstring& pattern, const std::wstring& insert1, const std::wstring& insert2) {
    std::wstring out;
    out.reserve(pattern.size() + insert1.size() + insert2.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'%' && i + 1 < pattern.size()) {
            const wchar_t next = pattern[i + 1];
            if (next == L'1' || next == L'2') {
                out += next == L'1' ? insert1 : insert2;
                ++i;
                continue;
            }
            if (next == L'%') {
                out += L'%';
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::wstring FormatCatalogueText(std::uint32_t frenchNumber, const std::wstring& insert1, const std::wstring& insert2) {
    return FormatInserts(CatalogueText(frenchNumber), insert1, insert2);
}

std::wstring BuiltInNativeLanguageName(LanguageIndex language) {
    static const wchar_t* const kNames[kLanguageCount] = {
        L"Fran\u00E7ais", L"English", L"Deutsch", L"Espa\u00F1ol", L"Portugu\u00EAs", L"Nederlands", L"Dansk",
        L"T\u00FCrk\u00E7e", L"\u0411\u044A\u043B\u0433\u0430\u0440\u0441\u043A\u0438", L"Rom\u00E2n\u0103",
        L"\u4E2D\u6587", L"Italiano", L"\u010Ce\u0161tina", L"Norsk (bokm\u00E5l)",
        L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC", L"Polski", L"\u05E2\u05D1\u05E8\u05D9\u05EA",
        L"Ti\u1EBFng Vi\u1EC7t", L"\u65E5\u672C\u8A9E", L"Magyar", L"Srpski"};
    if (language < 0 || language >= kLanguageCount) return kNames[0];
    return kNames[language];
}

std::wstring NativeLanguageName(LanguageIndex language) {
    wchar_t name[128] = {};
    std::wstring result;
    if (GetLocaleInfoW(LanguageLcid(language), LOCALE_SNATIVELANGNAME, name, 128) > 1) {
        result = name;
    } else {
        // The system has no data for some locales (Wine lacks Serbian Latin, 0x081A).
        result = BuiltInNativeLanguageName(language);
    }
    if (!result.empty()) {
        const wchar_t* next = CharNextW(result.data());
        CharUpperBuffW(result.data(), static_cast<DWORD>(next - result.data()));
    }
    return result;
}

bool IsRightToLeft(LanguageIndex language) {
    LOCALESIGNATURE signature = {};
    const int units = static_cast<int>(sizeof signature / sizeof(wchar_t));
    if (GetLocaleInfoW(MAKELCID(LanguageId(language), SORT_DEFAULT), LOCALE_FONTSIGNATURE,
                       reinterpret_cast<LPWSTR>(&signature), units) != 0) {
        return (signature.lsUsb[3] >> 27 & 1u) != 0;  // Unicode subset bit 123: right-to-left layout
    }
    return language == kHebrew;
}

}  // namespace sv
