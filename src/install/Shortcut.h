// Shell links (".lnk" files) for the start menu and the desktop.
#pragma once

#include <optional>
#include <string>

namespace sv {

// Writes a link to `target` into `folder` (which must exist), named `name` or, when none is
// given, after the target's file name without its extension; ".lnk" is appended. The link has
// only its target and working directory (the target's folder) set. On success `createdPath`, when
// given, receives the link file's path; it is left untouched otherwise. COM is initialised and
// uninitialised around the call.
bool CreateShortcut(const std::wstring& target, const std::wstring& folder, const std::optional<std::wstring>& name,
                    std::wstring* createdPath);

}  // namespace sv
