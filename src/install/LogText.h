// Arithmetic of the installation log and progress: portable.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace sv {

// Whole percent of the payload written: (done / total) * 100 + 0.5 truncated, in double
// precision; 100 only when everything is done.
int ProgressPercent(std::uint64_t done, std::uint64_t total);

// The hyphen runs of a full-width log line: `available` pixels of width, a heading text of
// `textWidth` pixels (the text with one space on each side; 0 without text), hyphens of
// `hyphenWidth` pixels. Left run n / 2, right run (n + 1) / 2; without text, n hyphens on the left.
struct HeadingRuns {
    int left = 0;
    int right = 0;
};
HeadingRuns HeadingHyphens(int available, int textWidth, int hyphenWidth, bool hasText);
// The whole line: `text` with one space on each side between the runs (only hyphens when it is
// empty), ended by CR LF. `paddedTextWidth` is the width of " text ".
std::wstring HeadingLine(const std::wstring& text, int available, int paddedTextWidth, int hyphenWidth);

// " /Register /Background" and, when updating, " /update=" + 16 lower-case hexadecimal digits,
// behind the (quoted) main executable.
std::wstring RegistrationCommandLine(const std::wstring& quotedMainExe, std::uint64_t updateFromVersion);

}  // namespace sv
