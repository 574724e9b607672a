// The installation log control of the install page: appending lines and headings.
#pragma once

#include <windows.h>

#include <string>

namespace sv {

// Appends to a multi-line edit control. An empty text or a heading becomes a full-width line:
// the text centred between hyphens (only hyphens when empty) measured with the font of
// `fontOwner`, ended by CR LF; other texts are appended as they are (callers close their lines).
// The selection moves to the end, the text replaces it (not undoable) and the control scrolls
// down one line.
void AppendInstallLog(HWND log, HWND fontOwner, const std::wstring& text, bool heading);

// A path (cut to 259 characters, as a buffer of 260 would hold it) in double quotes when it
// contains spaces, whatever its length.
std::wstring QuotedPath(const std::wstring& path);

}  // namespace sv
