#include "ulog/LogFileApi.h"

#include <cstdio>

namespace sv {
namespace {

// Names tried for the temporary file before giving up (each is new: CreateNew never reuses one).
constexpr int kTemporaryNameAttempts = 16;

std::wstring TemporaryName(const std::wstring& path, int attempt) {
    static unsigned sequence = 0;
    wchar_t suffix[32];
    std::swprintf(suffix, 32, L".%08lx.tmp",
                  static_cast<unsigned long>(GetCurrentProcessId() * 0x9E3779B1u ^ GetTickCount() ^ (++sequence << 20) ^
                                             static_cast<unsigned>(attempt)));
    return path + suffix;
}

void RemoveTemporary(LogFileApi& api, const std::wstring& path) {
    api.SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    api.Delete(path);
}

}  // namespace

UniqueFileHandle LogFileApi::CreateNew(const std::wstring& path) {
    return UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool LogFileApi::Write(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool LogFileApi::Flush(HANDLE file) { return FlushFileBuffers(file) != FALSE; }

DWORD LogFileApi::GetAttributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool LogFileApi::SetAttributes(const std::wstring& path, DWORD attributes) {
    return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool LogFileApi::Replace(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool LogFileApi::Delete(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

LogFileApi& SystemLogFileApi() {
    static LogFileApi api;
    return api;
}

bool ReplaceFileContents(LogFileApi& api, const std::wstring& path, const std::vector<std::string>& pieces,
                         DWORD attributes) {
    std::wstring temporary;
    UniqueFileHandle file;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !file; ++attempt) {
        temporary = TemporaryName(path, attempt);
        file = api.CreateNew(temporary);
        if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    if (!file) return false;

    bool written = true;
    for (const std::string& piece : pieces) {
        if (!api.Write(file.get(), piece.data(), static_cast<DWORD>(piece.size()))) {
            written = false;
            break;
        }
    }
    written = written && api.Flush(file.get());
    file.reset();
    if (!written || !api.SetAttributes(temporary, attributes)) {
        RemoveTemporary(api, temporary);
        return false;
    }

    // An old read-only log cannot be replaced: its attribute is cleared for the move only.
    const DWORD oldAttributes = api.GetAttributes(path);
    const bool oldReadOnly =
        oldAttributes != INVALID_FILE_ATTRIBUTES && (oldAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    DWORD writable = oldAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (writable == 0) writable = FILE_ATTRIBUTE_NORMAL;
    if (oldReadOnly && !api.SetAttributes(path, writable)) {
        RemoveTemporary(api, temporary);
        return false;
    }
    if (!api.Replace(temporary, path)) {
        const DWORD error = GetLastError();
        if (oldReadOnly) api.SetAttributes(path, oldAttributes);
        RemoveTemporary(api, temporary);
        SetLastError(error);
        return false;
    }
    return true;
}

}  // namespace sv
