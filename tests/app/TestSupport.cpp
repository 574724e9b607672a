#include "TestSupport.h"

#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "app/InstallerState.h"
#include "app/ProductIdentity.h"

namespace sv::test {

std::wstring TestFolder() { return ParentFolder(ModulePath()); }

std::wstring Fixture(const std::wstring& name) { return TestFolder() + L"\\vfix_" + name + L".exe"; }

void RegistrySandbox::Clean() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath().c_str());
}

RegistrySandbox::RegistrySandbox() { Clean(); }
RegistrySandbox::~RegistrySandbox() { Clean(); }

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("RegCreateKeyExW");
    const LSTATUS status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw std::runtime_error("RegSetValueExW");
}

void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text) {
    SetValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
    SetValue(root, path, name, REG_DWORD, &value, sizeof value);
}

void RegisterInstalledProgram(const std::wstring& path) {
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco", L"Sarvelio 6 Path", path);
}

namespace {

// remove_all refuses read-only files on Windows: clear the attribute first.
void RemoveTree(const std::wstring& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        for (const auto& item : std::filesystem::recursive_directory_iterator(path, ignored))
            SetFileAttributesW(item.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(path, ignored);
}

}  // namespace

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + L"svtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    RemoveTree(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::wstring TempFolder::File(const std::wstring& name, const std::string& content) const {
    const std::wstring file = path_ + L"\\" + name;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(std::filesystem::path(file), std::ios::binary) << content;
    return file;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring MachineText(REGSAM view, const std::wstring& key, const wchar_t* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
        return L"<none>";
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS) return L"<none>";
    if (type == REG_DWORD) return std::to_wstring(*reinterpret_cast<const DWORD*>(value));
    return value;
}

}  // namespace sv::test
