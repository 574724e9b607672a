// Helpers shared by the start-up tests under Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sv::test {

// Folder of the running test program (the version fixtures are built beside it).
std::wstring TestFolder();
// Path of a version fixture program: vfix_<name>.exe.
std::wstring Fixture(const std::wstring& name);

// Removes the product's registry data (publisher key, Uninstall key) when created and destroyed,
// so every test starts and ends on a machine without the product.
class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;
    static void Clean();
};

// Writes raw value bytes of a given type (creating the key).
void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size);
void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text);
void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);

// Registers a program as the installed product (HKLM\Software\Kavrenco "Sarvelio 6 Path").
void RegisterInstalledProgram(const std::wstring& path);

// A fresh folder under the user's temporary folder, removed with its content at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name, const std::string& content = "x") const;

private:
    std::wstring path_;
};

std::string Narrow(const std::wstring& text);

}  // namespace sv::test
