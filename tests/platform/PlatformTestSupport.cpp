#include "PlatformTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <system_error>

#include "platform/AdvapiResolver.h"

namespace sv::test {
namespace {

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // test names are ASCII
}

std::wstring CurrentTestName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!info) return L"NoTest";
    std::wstring name = Widen(info->test_suite_name()) + L"." + Widen(info->name());
    for (wchar_t& c : name)
        if (c == L'/' || c == L'\\') c = L'_';
    return name;
}

std::vector<std::string> g_missing;

FARPROC LookUpUnlessMissing(HMODULE module, const char* exportName) {
    for (const std::string& name : g_missing)
        if (name == exportName) return nullptr;
    return ::GetProcAddress(module, exportName);
}

}  // namespace

std::wstring UniqueName(const std::wstring& stem) {
    return L"SvTest." + CurrentTestName() + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." + stem;
}

std::filesystem::path ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

UniqueHandle MakeEvent(const std::wstring& name) {
    return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
}

TempFolder::TempFolder()
    : path_(std::filesystem::temp_directory_path() / L"sv-platform-tests" / CurrentTestName()) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::remove(path_.parent_path(), ignored);  // only when no other test uses it
}

ChildProcess::ChildProcess(const std::wstring& arguments, const std::filesystem::path& currentDirectory) {
    const std::wstring program = (ProgramFolder() / L"sv_platform_helper.exe").wstring();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &info)) {
        ::CloseHandle(info.hThread);
        process_.reset(info.hProcess);
    }
}

ChildProcess::~ChildProcess() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) Terminate();
}

bool ChildProcess::WaitFor(HANDLE event) {
    const HANDLE handles[] = {event, process_.get()};
    return ::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
}

DWORD ChildProcess::Wait() {
    ::WaitForSingleObject(process_.get(), INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::Terminate() {
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), INFINITE);
}

std::wstring SidString(PSID sid) {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return L"<invalid SID>";
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

std::vector<std::wstring> DescribeAces(PACL acl) {
    std::vector<std::wstring> lines;
    if (!acl) return lines;
    ACL_SIZE_INFORMATION size{};
    ::GetAclInformation(acl, &size, sizeof(size), AclSizeInformation);
    for (DWORD i = 0; i < size.AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!::GetAce(acl, i, reinterpret_cast<void**>(&ace))) {
            lines.push_back(L"<unreadable entry>");
            continue;
        }
        wchar_t numbers[64];
        std::swprintf(numbers, 64, L"%u;%02x;%08lx;", ace->Header.AceType, ace->Header.AceFlags, ace->Mask);
        lines.push_back(numbers + SidString(&ace->SidStart));
    }
    return lines;
}

std::vector<std::wstring> DescribeSddlDacl(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
        ADD_FAILURE() << "bad SDDL in the test table";
        return {};
    }
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    std::vector<std::wstring> lines = DescribeAces(present ? dacl : nullptr);
    ::LocalFree(descriptor);
    return lines;
}

MissingAdvapiFunctions::MissingAdvapiFunctions(std::initializer_list<const char*> names)
    : MissingAdvapiFunctions(std::vector<std::string>(names.begin(), names.end())) {}

MissingAdvapiFunctions::MissingAdvapiFunctions(const std::vector<std::string>& names) {
    g_missing = names;
    advapi::SetLookUpForTest(LookUpUnlessMissing);
}

MissingAdvapiFunctions::~MissingAdvapiFunctions() {
    g_missing.clear();
    advapi::SetLookUpForTest(nullptr);
}

}  // namespace sv::test
