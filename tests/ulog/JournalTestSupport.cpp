#include "JournalTestSupport.h"

#include <gtest/gtest.h>

#include "ulog/UninstallLog.h"

namespace sv::test {

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder(buffer, length);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring TestName() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name = Wide(std::string(info->test_suite_name()) + "." + info->name());
    for (wchar_t& c : name) {
        if (c == L'/') c = L'_';
    }
    return name;
}

void RemoveTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

Sandbox::Sandbox(const std::wstring& name) : path_(TempFolder() + L"\\sv-ulog-" + name) {
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

Sandbox::~Sandbox() { RemoveTree(path_); }

UninstallKeySandbox::UninstallKeySandbox(std::wstring name) : name_(std::move(name)) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, fullPath().c_str());
}

UninstallKeySandbox::~UninstallKeySandbox() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, fullPath().c_str()); }

std::wstring UninstallKeySandbox::fullPath() const { return std::wstring(kUninstallRootKey) + L"\\" + name_; }

void WriteBytes(const std::wstring& path, const std::string& bytes, DWORD attributes) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << Ascii(path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
    SetFileAttributesW(path.c_str(), attributes);
}

std::string ReadBytes(const std::wstring& path) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0) bytes.append(block, read);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace sv::test
