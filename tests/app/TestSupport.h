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

// What a build of this bitness must produce on a 64-bit system: the 32-bit build (the shipped
// installer, under WOW64) installs below "Program Files (x86)" and writes its registry data in the
// 32-bit view; the x86_64 build below "Program Files", in the 64-bit view. The literal folders are
// Wine's and Windows' defaults on drive C.
constexpr bool kBuildIs32Bit = sizeof(void*) == 4;
constexpr const wchar_t* kProgramFilesOfThisBuild = kBuildIs32Bit ? L"C:\\Program Files (x86)" : L"C:\\Program Files";
constexpr REGSAM kRegistryViewOfThisBuild = kBuildIs32Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
constexpr REGSAM kOtherRegistryView = kBuildIs32Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// A value of HKEY_LOCAL_MACHINE read in the given registry view; "<none>" when absent.
std::wstring MachineText(REGSAM view, const std::wstring& key, const wchar_t* name);

}  // namespace sv::test
