// Keeps planted DLLs out of the process: an installer usually starts from a downloads folder,
// where a DLL named like a system library must not be loaded into an elevated process.
#pragma once

namespace sv {

// Restricts the DLL search of LoadLibrary and of delay-loaded imports to the system folder and
// removes the current directory from every search (DLLs and SearchPath). Call it before any library
// that is not already loaded is pulled in; it cannot be undone. Where the system lacks a function
// (SetDefaultDllDirectories, SetSearchPathMode), that part is skipped.
void RestrictDllSearchPath() noexcept;

}  // namespace sv
