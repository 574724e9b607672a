// What a previous Uninstall.ulog may name. The log lies in a folder of the installed program, but
// its text is still input this elevated installer did not write in this run: its two header paths
// and every entry's path are used only when they have the shape this program writes.
//
//   - A path is a plain drive path: "X:\" followed by elements, no "\\server\share", no "\\?\" or
//     "\\.\" device path, no element made only of dots and spaces ("..", "." and what Windows
//     trims to them), no ":" after the drive (no alternate data stream).
//   - A shortcut entry (kinds 2 to 4) names a ".lnk" file inside one of the shortcut folders the
//     caller gives (the start-menu and desktop folders). One without a path (its shortcut was
//     never created) names nothing and is kept.
//   - Folder and file entries need a plain drive path; the registry entries carry no path.
//
// Portable: the caller supplies the shortcut folders. Names are compared ignoring the case of
// ASCII letters, with "\" and "/" as the same separator.
#pragma once

#include <vector>

#include "ulog/LogEntry.h"

namespace sv {

bool IsPlainDrivePath(Utf16View path);

// True when path lies below folder (at least one element further down).
bool IsBelowFolder(Utf16View path, Utf16View folder);

bool IsTrustedEntry(const LogEntry& entry, const std::vector<Utf16String>& shortcutFolders);

// Removes every entry that IsTrustedEntry refuses; the others keep their order.
void DropUntrustedEntries(LogEntryList& entries, const std::vector<Utf16String>& shortcutFolders);

}  // namespace sv
