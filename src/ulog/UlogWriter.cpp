#include "ulog/UlogWriter.h"

#include <algorithm>

namespace sv {
namespace {

constexpr Utf16View kLineEnd = SV_UTF16("\r\n");
constexpr Utf16View kCommentStart = SV_UTF16("// ");
constexpr Utf16View kUninstallKeyText =
    SV_UTF16("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
constexpr Utf16View kClassesRootText = SV_UTF16("HKEY_CLASSES_ROOT\\...");
constexpr Utf16View kShortcutLabel = SV_UTF16("Shortcut Path : ");

Utf16String Widen(std::string_view ascii) { return Utf16String(ascii.begin(), ascii.end()); }

Utf16String CommentLine(Utf16View text) {
    Utf16String line(kCommentStart);
    line += text;
    line += kLineEnd;
    return line;
}

bool IsHighSurrogate(Utf16Char c) { return c >= 0xD800 && c <= 0xDBFF; }

// The update part of line 3, shortened where needed so that the line stays readable.
Utf16String InstallLine(const UlogHeader& header) {
    Utf16String text = SV_UTF16("Install ") + header.productTitle;
    if (!header.previousInstallText.empty()) {
        constexpr Utf16View open = SV_UTF16(" -- Update (");
        const std::size_t fixedUnits = kCommentStart.size() + text.size() + open.size() + 1 + kLineEnd.size();
        const std::size_t limitUnits = kUlogLineLimitBytes / sizeof(Utf16Char);
        Utf16View previous = header.previousInstallText;
        if (fixedUnits < limitUnits && previous.size() > limitUnits - fixedUnits) {
            previous = previous.substr(0, limitUnits - fixedUnits);
            if (!previous.empty() && IsHighSurrogate(previous.back())) previous.remove_suffix(1);
        }
        text += open;
        text += previous;
        text += SV_UTF16(")");
    }
    return CommentLine(text);
}

}  // namespace

Utf16String FormatEntryLine(std::size_t index, const LogEntry& entry, Utf16View productKey) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string digits = std::to_string(index);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    const unsigned word =
        (static_cast<unsigned>(entry.kind) * 256u + (static_cast<unsigned>(entry.value) & 0xFFu)) & 0xFFFFu;
    std::string text = digits + ':';
    for (int shift = 12; shift >= 0; shift -= 4) text += kHex[(word >> shift) & 0xFu];
    text += ':';
    text += entry.completed ? '1' : '0';
    text += " -- ";
    Utf16String line = Widen(text);
    switch (entry.kind) {
    case LogEntryKind::UninstallKey:
        line += kUninstallKeyText;
        line += productKey;
        break;
    case LogEntryKind::ClassesRoot:
        line += kClassesRootText;
        break;
    default:
        line += entry.path;
        break;
    }
    return line;
}

std::vector<Utf16String> FormatUlogLines(const UlogHeader& header, const LogEntryList& entries) {
    std::vector<Utf16String> lines;
    lines.reserve(6 + entries.size());
    lines.push_back(CommentLine(SV_UTF16("Uninstall Log File v1")));
    lines.push_back(CommentLine(SV_UTF16("############ WARNING: Do not delete or modify this file. ############")));
    lines.push_back(InstallLine(header));
    lines.push_back(CommentLine(SV_UTF16("Install Path : ") + header.installFolder));
    lines.push_back(CommentLine(Utf16String(kShortcutLabel) + header.startMenuFolder));
    lines.push_back(CommentLine(Utf16String(kShortcutLabel.size() + header.startMenuFolder.size(), Utf16Char('-'))));
    std::size_t index = 0;
    for (const LogEntry& entry : entries) {
        lines.push_back(FormatEntryLine(index++, entry, header.productKey) + Utf16String(kLineEnd));
    }
    return lines;
}

std::string Utf16LeBytes(Utf16View text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const Utf16Char unit : text) {
        const auto value = static_cast<std::uint16_t>(unit);
        bytes += static_cast<char>(value & 0xFF);
        bytes += static_cast<char>(value >> 8);
    }
    return bytes;
}

std::string FormatUlogFile(const UlogHeader& header, const LogEntryList& entries) {
    std::string file(kUtf16LeByteOrderMark, sizeof kUtf16LeByteOrderMark);
    for (const Utf16String& line : FormatUlogLines(header, entries)) file += Utf16LeBytes(line);
    return file;
}

}  // namespace sv
