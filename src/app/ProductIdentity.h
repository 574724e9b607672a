// Product names in the current language, the program's ApplicationId and the lookup of an
// installed program of the product.
#pragma once

#include <string>

namespace sv {

std::wstring ProductDisplayName(bool withVersion);
std::wstring ProductFolderName();

// Process-wide id shared with the installed product: the own version resource's
// "ApplicationId", else its "ProductName", else the executable's name without extension.
// Settled once by InitApplicationId (library set-up) or on first use.
const std::wstring& ApplicationId();
void InitApplicationId();

// Path of the installed program's main executable, or empty. Looked up once per process:
// HKEY_LOCAL_MACHINE\Software\Kavrenco, value "<ProductKey> Path", accepted when it exists.
const std::wstring& FindInstalledProgram();
// The lookup itself, without the per-process memory.
std::wstring LookUpInstalledProgram();

// The full path of the running executable.
std::wstring ModulePath();
// True when the path names something that exists in the file system.
bool PathExists(const std::wstring& path);

}  // namespace sv
