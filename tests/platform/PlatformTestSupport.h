// Shared pieces of the platform and instance tests: names that no other test (or test run) uses,
// a temporary folder per test, the helper program as a second process, and security read-backs.
#pragma once

#include <windows.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"

namespace sv::test {

// "SvTest.<suite>.<test>.<process id>.<stem>": unique per test and per process, so that tests
// running in parallel never share a kernel object.
std::wstring UniqueName(const std::wstring& stem);

// The folder holding this test program (and the helper program beside it).
std::filesystem::path ProgramFolder();

// A manual-reset event, not signalled, named as given.
UniqueHandle MakeEvent(const std::wstring& name);

// %TEMP%\sv-platform-tests\<suite>.<test>: emptied when made (leftovers of an earlier run) and
// removed when the object ends.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// sv_platform_helper.exe started with the given arguments; terminated if still running when the
// object ends.
class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& arguments, const std::filesystem::path& currentDirectory = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool started() const { return static_cast<bool>(process_); }
    // Waits until the event is signalled or the child ends; true when the event came first.
    bool WaitFor(HANDLE event);
    // Waits for the end of the child; its exit code.
    DWORD Wait();
    void Terminate();

private:
    UniqueHandle process_;
};

// The entries of an ACL, one line each: "type;flags;mask;SID" (hexadecimal numbers).
std::vector<std::wstring> DescribeAces(PACL acl);
// DescribeAces of the DACL of an SDDL string such as "D:(A;;FA;;;BU)".
std::vector<std::wstring> DescribeSddlDacl(const wchar_t* sddl);
std::wstring SidString(PSID sid);

// Makes advapi32 functions look missing to the resolver while the object lives.
class MissingAdvapiFunctions {
public:
    MissingAdvapiFunctions(std::initializer_list<const char*> names);
    MissingAdvapiFunctions(const std::vector<std::string>& names);
    MissingAdvapiFunctions(const MissingAdvapiFunctions&) = delete;
    MissingAdvapiFunctions& operator=(const MissingAdvapiFunctions&) = delete;
    ~MissingAdvapiFunctions();
};

}  // namespace sv::test
