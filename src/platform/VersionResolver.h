// Late binding to the version library (version.dll).
//
// version.dll is not a KnownDLL: a static import of it would be loaded from the installer's own
// folder (often Downloads) before any code of the installer runs. Its functions are therefore
// looked up at run time, from the copy in the system folder only, loaded by its full path so that
// a module of the same name already in the process (planted, or pulled in by another library) is
// never taken:
//
//   const DWORD size = version::GetFileVersionInfoSize(path, &handle);
//
// Each function answers as the system's does; when the library or the function cannot be had it
// fails with ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND as the last error, so callers see a file
// without version information. The library is loaded once and stays loaded for the life of the
// process.
#pragma once

#include <windows.h>

namespace sv::version {

// The system folder's library, loaded on first use; null when it cannot be loaded.
HMODULE Library() noexcept;

DWORD GetFileVersionInfoSize(const wchar_t* path, DWORD* handle) noexcept;
BOOL GetFileVersionInfo(const wchar_t* path, DWORD handle, DWORD size, void* data) noexcept;
BOOL VerQueryValue(const void* block, const wchar_t* subBlock, void** buffer, UINT* length) noexcept;

}  // namespace sv::version

namespace sv {

// Loads a library of the system folder by its full path, its own imports searched in the system
// folder only (LOAD_LIBRARY_SEARCH_SYSTEM32; on systems that do not know the flag, the full path
// alone). Null when it cannot be loaded; the last error says why.
HMODULE LoadSystemFolderLibrary(const wchar_t* name) noexcept;

}  // namespace sv
