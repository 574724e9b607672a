// Process-level start: the processor check and the once-per-process library set-up that run
// during static initialisation, before the application object's start hook.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace sv {

inline constexpr int kExitUnsupportedProcessor = 1;
inline constexpr int kExitInitializationError = -11;

// True when the processor-check of this process passed.
bool ProcessorChecked();
// Checks SSE2; without it shows the trilingual box and ends the process with exit code 1.
void CheckProcessor();
// The box text of the processor check.
std::wstring UnsupportedProcessorText();

// The library set-up, once per process (later calls do nothing). On failure shows
// "Initialization Error" and ends the process with exit code -11.
void SetUpLibrary();
// The same steps, answering false instead of ending the process.
bool TrySetUpLibrary();

// Folders kept by the library set-up (known folders, not verified on disk).
struct KnownFolders {
    std::wstring documents;
    std::wstring publisherProgramData;  // ProgramData\Kavrenco
    std::wstring publisherAppData;      // roaming AppData\Kavrenco
};
const KnownFolders& LibraryFolders();

// Common controls check. The library must be 6.0 or later: DllGetVersion's (major << 16 | minor)
// at least 0x60000, or, where a system's v6 library misreports its version, the activation
// context redirects comctl32.dll to the Common-Controls assembly of version 6.0 or later.
bool CommonControlsVersionAccepted(std::optional<DWORD> packedVersion, const std::wstring& redirectedIdentity);
// (major << 16 | minor) from comctl32's DllGetVersion, when it answers.
std::optional<DWORD> CommonControlsDllVersion();
// Encoded identity of the assembly that the active activation context redirects comctl32.dll to,
// or empty.
std::wstring CommonControlsRedirection();

}  // namespace sv
