// Screenshots of windows as PNG files, for reviewing the wizard's pages.
#pragma once

#include <windows.h>

#include <string>

namespace sv::test {

// Copies what the screen shows of `window` (frame included) into a PNG file. Answers false when
// the window cannot be read or the file not written.
bool SaveWindowPng(HWND window, const std::wstring& path);

}  // namespace sv::test
