// What the installer knows about the product it installs: the built-in constants, the names
// derived from the product number and the current language, the display-title rules and the
// decision between fresh installation, update, reinstallation and refusal. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/Language.h"

namespace sv {

inline constexpr std::uint32_t kProductNumber = 518;  // family 2 (bits 8 and up), major version 6

namespace product {
inline constexpr wchar_t kFrenchName[] = L"Sarvelio";
inline constexpr wchar_t kEnglishName[] = L"Sarvelix";
inline constexpr wchar_t kGermanName[] = L"Sarvelon";
inline constexpr wchar_t kVersionLabel[] = L"6.04h";
inline constexpr wchar_t kVersionText[] = L"6.4.8.2";
inline constexpr std::uint64_t kVersionNumber = 0x0006000400080002ull;
inline constexpr wchar_t kPublisher[] = L"Kavrenco";
// Publisher contact shown in the system's list of installed programs.
inline constexpr wchar_t kPublisherWebAddress[] = L"https://www.kavrenco.example/sarvelio";
inline constexpr wchar_t kPublisherTelephone[] = L"+33 1 84 60 72 00";
inline constexpr wchar_t kApplicationId[] = L"Sarvelio6";
}  // namespace product

// Raised for a product number the key table does not cover.
class UnknownProductError : public std::out_of_range {
public:
    explicit UnknownProductError(std::uint32_t number);
};

// Registry and folder key of a product number ("Sarvelio 6" for 518).
std::wstring ProductKeyFor(std::uint32_t productNumber);
std::wstring ProductKey();  // for kProductNumber

// Product name in a language: the French form for French, the English form otherwise;
// with the version label after one space when asked.
std::wstring ProductDisplayNameFor(LanguageIndex language, bool withVersion);
// Folder name: the product key with its French form replaced by the English form outside French.
std::wstring ProductFolderNameFor(LanguageIndex language);

// Replace the first / last occurrence of `what` in `text` by `with` (no change when absent).
void ReplaceFirst(std::wstring& text, const std::wstring& what, const std::wstring& with);
void ReplaceLast(std::wstring& text, const std::wstring& what, const std::wstring& with);

// Inputs of a display title, as read from one version resource.
struct TitleSource {
    std::wstring productName;
    std::wstring productVersion;
    std::uint32_t fileFlags = 0;  // dwFileFlags & dwFileFlagsMask; 0 without a fixed part
};

// Display title of a version resource. `germanMarker` is the process-wide flag telling whether
// the first titled resource carried the German special-build marker.
std::wstring ProductTitleFrom(const TitleSource& source, std::uint32_t productNumber, bool germanMarker,
                              LanguageIndex language);

// The built-in version number is compared with an installed program's.
enum class InstallMode : std::int32_t { FreshInstall = 0, SameVersion = 1, Update = 2, NewerInstalled = -1 };

// Installed program found: `installedVersion` is empty when its version information is missing
// or has no fixed part.
InstallMode InstallModeFor(bool programFound, std::optional<std::uint64_t> installedVersion,
                           std::uint64_t builtIn = product::kVersionNumber);

}  // namespace sv
