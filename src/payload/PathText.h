// Path arithmetic on UTF-16 text, the same on every platform: both "\" and "/" separate elements,
// the platform's own separator is inserted when joining.
#pragma once

#include <vector>

#include "payload/Utf16.h"

namespace sv::path_text {

#ifdef _WIN32
inline constexpr Utf16Char kSeparator = L'\\';
#else
inline constexpr Utf16Char kSeparator = u'/';
#endif

constexpr bool IsSeparator(Utf16Char c) noexcept { return c == '\\' || c == '/'; }

// The non-empty elements between separators, in order.
std::vector<Utf16String> Elements(Utf16View path);

// base + element, inserting a separator unless base is empty or already ends with one.
Utf16String Join(Utf16View base, Utf16View element);

// The last element: what follows the last separator (or a drive's colon).
Utf16String FileName(Utf16View path);

// The folder holding path. A root ("C:\", "\\server\share", "/") is its own parent; a single
// relative element has the empty parent.
Utf16String Parent(Utf16View path);

// A drive letter, a colon and a separator; or two leading separators (network or device path).
// Outside Windows a single leading "/" counts too.
bool IsAbsolute(Utf16View path);

// Same elements with exactly the same characters, and the same kind of root.
bool SameElements(Utf16View a, Utf16View b);

}  // namespace sv::path_text
