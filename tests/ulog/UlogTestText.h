// Building Uninstall.ulog bytes for the tests, independently of the writer: ASCII text with
// "\r\n" line ends, laid out as UTF-16LE with its mark or left as 8-bit text.
#pragma once

#include <string>
#include <string_view>

namespace sv::test {

inline std::string Utf16LeFile(std::string_view ascii, bool withMark = true) {
    std::string bytes = withMark ? std::string("\xFF\xFE", 2) : std::string();
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// The six header lines of a version-1 log, as ASCII.
inline std::string HeaderText(std::string_view installPath = "D:\\Apps\\Tools",
                              std::string_view shortcutPath = "C:\\Menu\\Tools",
                              std::string_view install = "Sarvelio 6.04g") {
    std::string text = "// Uninstall Log File v1\r\n"
                       "// ############ WARNING: Do not delete or modify this file. ############\r\n";
    text += "// Install " + std::string(install) + "\r\n";
    text += "// Install Path : " + std::string(installPath) + "\r\n";
    text += "// Shortcut Path : " + std::string(shortcutPath) + "\r\n";
    text += "// " + std::string(16 + shortcutPath.size(), '-') + "\r\n";
    return text;
}

}  // namespace sv::test
