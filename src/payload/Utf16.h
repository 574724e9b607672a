// UTF-16 text of the payload reader.
//
// The archive stores its paths as UTF-16 code units. On Windows they are kept in std::wstring
// (wchar_t is a UTF-16 code unit there), so the installer hands them to the platform unchanged;
// elsewhere std::u16string holds the same code units. SV_UTF16("...") makes a literal of that type.
#pragma once

#include <string>
#include <string_view>

namespace sv {

#ifdef _WIN32
using Utf16Char = wchar_t;
#define SV_UTF16(text) L##text
#else
using Utf16Char = char16_t;
#define SV_UTF16(text) u##text
#endif
static_assert(sizeof(Utf16Char) == 2, "a UTF-16 code unit is two bytes");

using Utf16String = std::basic_string<Utf16Char>;
using Utf16View = std::basic_string_view<Utf16Char>;

// UTF-8 <-> UTF-16 for tools, messages and tests. Ill-formed input is replaced by U+FFFD.
Utf16String Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(Utf16View text);

}  // namespace sv
