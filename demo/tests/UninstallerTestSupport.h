// A product installation built by hand for the uninstaller's tests under Wine: folders, files,
// registry data and the Uninstall.ulog that lists them, and the uninstaller run to its very end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ulog/LogEntry.h"

namespace demo {

inline constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sarvelio 6";

// Folder of the test program, where Uninstall.exe and Sarvelio.exe are built.
std::wstring BuildFolder();

bool Exists(const std::wstring& path);
bool KeyExists(HKEY root, const wchar_t* path);
// A value's text, or "<none>".
std::wstring RegistryText(HKEY root, const wchar_t* key, const wchar_t* name);
void SetRegistryText(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text);

void WriteFile(const std::wstring& path, const std::string& content = "data");
// Copies Uninstall.exe or Sarvelio.exe of the build into a folder, read-only as installed.
std::wstring InstallProgram(const wchar_t* name, const std::wstring& folder);

// A journal entry as the installer records it.
sv::LogEntry Entry(sv::LogEntryKind kind, bool completed, const std::wstring& path = {},
                   std::int32_t value = sv::kNoEntryValue);
// The bytes of an Uninstall.ulog for the product title "Sarvelix 6.04h" updated from "Sarvelio 6.03".
std::string LogBytes(const std::wstring& installFolder, const sv::LogEntryList& entries);
// Writes <folder>\Uninstall.ulog as the installer does (read-only afterwards).
void WriteLog(const std::wstring& folder, const sv::LogEntryList& entries);
void WriteLogBytes(const std::wstring& folder, const std::string& bytes);

// The machine around one test: removes the product's registry data before and after, gives a
// fresh folder under the temporary folder (removed afterwards), and puts back the temporary folder
// and the files scheduled for deletion at restart as they were.
class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    const std::wstring& root() const { return root_; }
    // Files scheduled for deletion at restart since the test began.
    std::vector<std::wstring> NewRestartDeletions() const;
    // Items of the temporary folder that appeared since the test began (the root excepted).
    std::vector<std::wstring> NewTemporaryItems() const;

    static void CleanRegistry();

private:
    std::wstring root_;
    std::vector<BYTE> pendingBefore_;
    bool pendingExisted_ = false;
    std::vector<std::wstring> tempBefore_;
};

// A program run in a job object of its own, so that waiting covers every process it starts.
class ProgramRun {
public:
    ProgramRun(const std::wstring& program, const std::wstring& arguments);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    DWORD processId() const { return processId_; }
    // Waits until the program and everything it started have ended; the program's exit code.
    DWORD WaitAll();

private:
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

}  // namespace demo
