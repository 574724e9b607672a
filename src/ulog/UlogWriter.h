// The text of Uninstall.ulog, the file the separate uninstaller reads: UTF-16LE with a byte-order
// mark, every line ended by CR LF, six header lines and one line per entry. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ulog/LogEntry.h"

namespace sv {

inline constexpr char kUtf16LeByteOrderMark[] = {'\xFF', '\xFE'};

// The reader refuses lines longer than this (bytes, line end included; on the first line the
// byte-order mark counts too). The writer never produces a longer header line.
inline constexpr std::size_t kUlogLineLimitBytes = 1024;

struct UlogHeader {
    Utf16String productTitle;         // product name with its version label ("Sarvelio 6.04h")
    Utf16String previousInstallText;  // from the previous log's third line; empty: no update part
    Utf16String installFolder;
    Utf16String startMenuFolder;
    Utf16String productKey;  // names the Uninstall key in that entry's line ("Sarvelio 6")
};

// "0012:05ff:1 -- HKEY_LOCAL_MACHINE\...\Uninstall\Sarvelio 6" without the line end.
Utf16String FormatEntryLine(std::size_t index, const LogEntry& entry, Utf16View productKey);

// Every line of the file, each with its CR LF: the six header lines, then one line per entry.
std::vector<Utf16String> FormatUlogLines(const UlogHeader& header, const LogEntryList& entries);

// The little-endian bytes of UTF-16 text.
std::string Utf16LeBytes(Utf16View text);

// The whole file: the byte-order mark and every line.
std::string FormatUlogFile(const UlogHeader& header, const LogEntryList& entries);

}  // namespace sv
