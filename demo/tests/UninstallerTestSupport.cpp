#include "UninstallerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ulog/UlogWriter.h"

namespace demo {
namespace {

constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

std::wstring TempPath() {
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, path);
    std::wstring text = path;
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(folder + L"\\" + name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// remove_all refuses read-only files on Windows: clear the attributes on the way.
void RemoveTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const auto& item : ListFolder(path)) RemoveTree(item);
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
}

bool ReadPending(std::vector<BYTE>& data) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
        data.clear();
        return false;
    }
    data.resize(size);
    RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size);
    data.resize(size);
    return true;
}

// The pairs of the pending list: source, destination (empty: delete).
std::vector<std::pair<std::wstring, std::wstring>> PendingPairs(const std::vector<BYTE>& data) {
    std::vector<std::wstring> strings;
    const auto text = reinterpret_cast<const wchar_t*>(data.data());
    const std::size_t length = data.size() / sizeof(wchar_t);
    for (std::size_t i = 0; i < length;) {  // an empty destination is an empty string, not the end
        const std::size_t end = std::find(text + i, text + length, L'\0') - text;
        strings.emplace_back(text + i, text + end);
        i = end + 1;
    }
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    for (std::size_t i = 0; i + 1 < strings.size(); i += 2) pairs.emplace_back(strings[i], strings[i + 1]);
    return pairs;
}

}  // namespace

std::wstring BuildFolder() {
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    const std::wstring path = own;
    return path.substr(0, path.find_last_of(L'\\'));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring RegistryText(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"<none>";
    return value;
}

void SetRegistryText(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    ASSERT_EQ(RegSetKeyValueW(root, key, name, REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS)
        << std::wstring(key);
}

void WriteFile(const std::wstring& path, const std::string& content) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
    ASSERT_TRUE(Exists(path)) << std::wstring(path);
}

std::wstring InstallProgram(const wchar_t* name, const std::wstring& folder) {
    const std::wstring target = folder + L"\\" + name;
    EXPECT_TRUE(CopyFileW((BuildFolder() + L"\\" + name).c_str(), target.c_str(), FALSE));
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    return target;
}

sv::LogEntry Entry(sv::LogEntryKind kind, bool completed, const std::wstring& path, std::int32_t value) {
    sv::LogEntry entry;
    entry.kind = kind;
    entry.path = path;
    entry.completed = completed;
    entry.value = value;
    return entry;
}

std::string LogBytes(const std::wstring& installFolder, const sv::LogEntryList& entries) {
    sv::UlogHeader header;
    header.productTitle = L"Sarvelix 6.04h";
    header.previousInstallText = L"Sarvelio 6.03";
    header.installFolder = installFolder;
    header.startMenuFolder = L"";
    header.productKey = L"Sarvelio 6";
    return sv::FormatUlogFile(header, entries);
}

void WriteLog(const std::wstring& folder, const sv::LogEntryList& entries) {
    WriteLogBytes(folder, LogBytes(folder, entries));
}

void WriteLogBytes(const std::wstring& folder, const std::string& bytes) {
    const std::wstring path = folder + L"\\Uninstall.ulog";
    WriteFile(path, bytes);
    SetFileAttributesW(path.c_str(), 0x2021);  // read-only, archive, not content-indexed
}

void Machine::CleanRegistry() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".sarv");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Kavrenco.Sarvelio.6");
}

Machine::Machine() {
    CleanRegistry();
    pendingExisted_ = ReadPending(pendingBefore_);
    tempBefore_ = ListFolder(TempPath());
    root_ = TempPath() + L"\\svuninst-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
}

Machine::~Machine() {
    for (const auto& item : NewTemporaryItems()) RemoveTree(item);
    RemoveTree(root_);
    if (pendingExisted_) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, REG_MULTI_SZ, pendingBefore_.data(),
                        static_cast<DWORD>(pendingBefore_.size()));
    } else {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
    }
    CleanRegistry();
}

std::vector<std::wstring> Machine::NewRestartDeletions() const {
    std::vector<BYTE> now;
    ReadPending(now);
    const auto before = PendingPairs(pendingBefore_);
    const auto after = PendingPairs(now);
    std::vector<std::wstring> deletions;
    for (std::size_t i = before.size(); i < after.size(); ++i) {
        std::wstring source = after[i].first;
        if (source.starts_with(L"\\??\\")) source.erase(0, 4);
        if (after[i].second.empty()) deletions.push_back(source);
    }
    return deletions;
}

std::vector<std::wstring> Machine::NewTemporaryItems() const {
    std::vector<std::wstring> items;
    // Only the uninstaller's copies of itself ("svu*.tmp"): other tests running at the same time
    // keep their own folders in the temporary folder too.
    for (const auto& item : ListFolder(TempPath())) {
        const std::wstring name = item.substr(item.find_last_of(L'\\') + 1);
        const bool copy = name.starts_with(L"svu") && name.ends_with(L".tmp");
        if (copy && item != root_ && std::find(tempBefore_.begin(), tempBefore_.end(), item) == tempBefore_.end())
            items.push_back(item);
    }
    return items;
}

ProgramRun::ProgramRun(const std::wstring& program, const std::wstring& arguments) {
    job_ = CreateJobObjectW(nullptr, nullptr);
    std::wstring commandLine = L"\"" + program + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!job_ || !CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                 nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << std::wstring(commandLine) << ": " << GetLastError();
        return;
    }
    EXPECT_TRUE(AssignProcessToJobObject(job_, info.hProcess)) << GetLastError();
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

ProgramRun::~ProgramRun() {
    if (job_) {
        TerminateJobObject(job_, 99);  // only when a test failed half-way
        CloseHandle(job_);
    }
    if (process_) CloseHandle(process_);
}

DWORD ProgramRun::WaitAll() {
    if (!process_) return 0xFFFFFFFF;
    if (WaitForSingleObject(process_, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end";
        return 0xFFFFFFFF;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    for (int i = 0; i < 1200; ++i) {  // processes it started, such as a copy finishing its work
        if (!QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                       nullptr)) {
            ADD_FAILURE() << "QueryInformationJobObject: " << GetLastError();
            break;
        }
        if (accounting.ActiveProcesses == 0) return code;
        Sleep(50);
    }
    ADD_FAILURE() << "processes started by the program did not end";
    return code;
}

}  // namespace demo
