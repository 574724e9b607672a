#include "ulog/TrustedEntries.h"

#include <algorithm>

namespace sv {
namespace {

constexpr bool IsSeparator(Utf16Char c) noexcept { return c == '\\' || c == '/'; }

constexpr Utf16Char FoldCase(Utf16Char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<Utf16Char>(c - 'A' + 'a') : c;
}

constexpr bool SameCharacter(Utf16Char a, Utf16Char b) noexcept {
    return (IsSeparator(a) && IsSeparator(b)) || FoldCase(a) == FoldCase(b);
}

bool EndsWithIgnoringCase(Utf16View text, Utf16View ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      SameCharacter);
}

// An element that Windows reads as "." or ".." once it has trimmed trailing dots and spaces.
bool IsDotsOnly(Utf16View element) {
    return std::all_of(element.begin(), element.end(), [](Utf16Char c) { return c == '.' || c == ' '; });
}

}  // namespace

bool IsPlainDrivePath(Utf16View path) {
    const bool drive = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && IsSeparator(path[2]);
    if (!drive) return false;
    std::size_t pos = 3;
    while (pos < path.size()) {
        std::size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const Utf16View element = path.substr(pos, end - pos);
        // An empty element ("C:\a\\b") is harmless and trailing separators are allowed.
        if (!element.empty() && IsDotsOnly(element)) return false;
        if (element.find(':') != Utf16View::npos) return false;
        pos = end + 1;
    }
    return true;
}

bool IsBelowFolder(Utf16View path, Utf16View folder) {
    while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
    if (folder.empty() || path.size() <= folder.size() + 1) return false;
    if (!std::equal(folder.begin(), folder.end(), path.begin(), SameCharacter)) return false;
    if (!IsSeparator(path[folder.size()])) return false;
    const Utf16View rest = path.substr(folder.size() + 1);
    return std::any_of(rest.begin(), rest.end(), [](Utf16Char c) { return !IsSeparator(c); });
}

bool IsTrustedEntry(const LogEntry& entry, const std::vector<Utf16String>& shortcutFolders) {
    switch (entry.kind) {
    case LogEntryKind::CreatedFolder:
    case LogEntryKind::InstalledFile:
        return IsPlainDrivePath(entry.path);
    case LogEntryKind::MenuShortcut:
    case LogEntryKind::UninstallShortcut:
    case LogEntryKind::DesktopShortcut:
        if (entry.path.empty()) return true;
        return IsPlainDrivePath(entry.path) && EndsWithIgnoringCase(entry.path, SV_UTF16(".lnk")) &&
               std::any_of(shortcutFolders.begin(), shortcutFolders.end(), [&](const Utf16String& folder) {
                   return IsPlainDrivePath(folder) && IsBelowFolder(entry.path, folder);
               });
    case LogEntryKind::UninstallKey:
    case LogEntryKind::ClassesRoot:
        return entry.path.empty();
    }
    return false;
}

void DropUntrustedEntries(LogEntryList& entries, const std::vector<Utf16String>& shortcutFolders) {
    entries.remove_if([&](const LogEntry& entry) { return !IsTrustedEntry(entry, shortcutFolders); });
}

}  // namespace sv
