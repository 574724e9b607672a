// Sandboxes of the journal tests: a folder of the prefix's temporary folder and a product key
// under the system's Uninstall key, both removed before and after each test.
#pragma once

#include <windows.h>

#include <string>

namespace sv::test {

// A fresh folder named after the test; removed with everything in it when the test ends.
class Sandbox {
public:
    explicit Sandbox(const std::wstring& name);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::wstring& path() const noexcept { return path_; }
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

// A product key under HKEY_LOCAL_MACHINE\...\Uninstall, absent before and after the test.
class UninstallKeySandbox {
public:
    explicit UninstallKeySandbox(std::wstring name);
    ~UninstallKeySandbox();
    UninstallKeySandbox(const UninstallKeySandbox&) = delete;
    UninstallKeySandbox& operator=(const UninstallKeySandbox&) = delete;

    const std::wstring& name() const noexcept { return name_; }
    std::wstring fullPath() const;  // below HKEY_LOCAL_MACHINE

private:
    std::wstring name_;
};

void RemoveTree(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
std::string ReadBytes(const std::wstring& path);  // empty when it cannot be read
bool Exists(const std::wstring& path);
std::wstring TempFolder();
std::string Ascii(const std::wstring& text);
std::wstring Wide(const std::string& ascii);
std::wstring TestName();  // of the running GoogleTest test, without '/'

}  // namespace sv::test
