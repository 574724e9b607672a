#include "install/TempFolder.h"

#include <windows.h>

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <cwchar>

namespace sv {
namespace {

constexpr DWORD kLongestTempPath = 246;
TempFileSweeper* currentSweeper = nullptr;

void RemovePath(const std::wstring& path) {
    if (path.empty()) return;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveDirectoryW(path.c_str());  // only when empty
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    DeleteFileW(path.c_str());
}

}  // namespace

bool PrepareTempFolder(std::wstring& tempFolder, std::wstring& errorText) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, path);
    if (length == 0 || length > kLongestTempPath) {
        const DWORD error = GetLastError();
        wchar_t text[64];
        std::swprintf(text, 64, L"%08x (%ls)", static_cast<unsigned>(error), L"GetTempPath");
        errorText = text;
        return false;
    }
    boost::uuids::random_generator generate;
    // Joined as a path element, not limited to 260 characters: a temporary path of 246
    // characters and the 45 of the name still make a usable name for the longer-path functions.
    std::wstring folder = path;
    if (folder.back() != L'\\') folder += L'\\';
    folder += L"kavren_{" + boost::uuids::to_wstring(generate()) + L"}";
    tempFolder = std::move(folder);
    return true;
}

TempFileSweeper::TempFileSweeper(std::wstring folder) : folder_(std::move(folder)) { currentSweeper = this; }

TempFileSweeper::~TempFileSweeper() {
    if (currentSweeper == this) currentSweeper = nullptr;
    for (const auto& file : files_) RemovePath(file);
    RemovePath(folder_);
}

TempFileSweeper* TempFileSweeper::Current() { return currentSweeper; }

}  // namespace sv
