// Folder choice for the path and shortcut pages: the platform's folder browser, with the
// product's folder name appended to whatever folder the user picks, and the path rules around it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace sv::ui {

// Longest text of a folder edit box (the platform's path buffer).
inline constexpr int kMaxPathText = 260;

// A shell folder by CSIDL, or empty when the system gives none.
std::wstring ShellFolderPath(int csidl);

// `folder` relative to `base` (both folders) by the platform's relative-path rule, canonicalised
// (no leading ".\"); empty when both are the same folder; none when no relative path exists
// (another drive, an empty path).
std::optional<std::wstring> RelativeFolderText(const std::wstring& base, const std::wstring& folder);
// `text` combined with `base` by the platform's path-combination rule (an absolute text
// replaces the base); `base` when the combination fails.
std::wstring CombineFolder(const std::wstring& base, const std::wstring& text);

// The overlap rule: `folder` joined with `suffix` so that elements already at the end of the
// folder are not repeated (compared element by element, ignoring case).
std::wstring JoinWithSuffix(const std::wstring& folder, const std::wstring& suffix);
// `folder` without the trailing elements of `suffix` when it ends with all of them, else itself.
std::wstring RemoveSuffix(const std::wstring& folder, const std::wstring& suffix);
// The suffix the picker appends: trailing "." removed; empty when a character is not valid in a
// path or is a wildcard.
std::wstring CleanSuffix(const std::wstring& suffix);

// True for an absolute path on a drive letter ("X:\" and what follows) whose characters are all
// valid in a path: what a folder of ours may be. Empty, relative ("Apps", "\Apps", "C:Apps"),
// network ("\\server\share") and device ("\\?\C:\") paths are not.
bool IsFolderOnDrive(const std::wstring& path);

// A folder typed into the browser's edit box, checked: trimmed, a trailing "\" removed, a bare
// drive completed with "\"; relative texts are taken against `base` (the root's parent) when
// there is one and must then stay inside it; without a base the text must be a folder on a drive
// (IsFolderOnDrive). An empty text is refused: it would name the folder the installer happened to
// be started from. The full path's characters must all be valid in a path.
struct TypedFolder {
    bool accepted = false;
    std::wstring fullPath;     // when accepted
    std::int32_t errorCode = 0;  // system error or HRESULT to show when refused
};
TypedFolder ValidateTypedFolder(const std::wstring& typed, const std::optional<std::wstring>& base);

struct ChosenFolder {
    std::wstring folder;         // full path; empty when the user cancelled
    std::wstring withoutSuffix;  // the folder without the suffix
    std::wstring relative;       // relative to the root's parent folder ("" for ".")
};

// Shows the platform's folder browser (owned by the active window's last active pop-up) below the
// shell folder `rootCsidl` when given, starting at `initialFolder`, and answers the chosen folder.
ChosenFolder ChooseFolder(const std::wstring& initialFolder, const std::wstring& suffix, const std::wstring& title,
                          std::optional<int> rootCsidl);

// The browser's flags: file-system folders and ancestors, new dialog style; with a suffix also
// the edit box with validation.
UINT FolderBrowserFlags(bool withSuffix);

}  // namespace sv::ui
