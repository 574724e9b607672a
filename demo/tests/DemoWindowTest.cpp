// The product stand-in counts itself into the family's instance counter while its window is open.
// Needs a display (label "gui": run under xvfb-run).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/InstanceCounter.h"
#include "platform/UniqueHandle.h"

namespace {

std::wstring ProgramPath() {
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path = own;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Sarvelio.exe";
}

TEST(DemoWindowTest, CountsItselfInWhileRunningAndOutWhenClosed) {
    sv::CountProcessIn(L"Sarvelio6");
    ASSERT_EQ(sv::InstanceCount(), 1u);

    std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &info));
    sv::UniqueHandle process(info.hProcess);
    sv::UniqueHandle thread(info.hThread);
    sv::ScopeExit stopLeftover([&] {
        if (::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process.get(), 99);
    });
    ASSERT_EQ(::WaitForInputIdle(process.get(), 20000), 0u);  // its window is up
    EXPECT_EQ(sv::InstanceCount(), 2u);

    ASSERT_TRUE(::PostThreadMessageW(info.dwThreadId, WM_QUIT, 0, 0));  // ends its message loop
    ASSERT_EQ(::WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(sv::InstanceCount(), 1u);
}

}  // namespace
