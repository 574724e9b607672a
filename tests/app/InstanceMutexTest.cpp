// The instance mutex across processes: the helper program (sv_platform_helper) plays the second
// installer. Names are unique per test, so that tests running in parallel never meet.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "app/InstanceMutex.h"

namespace sv {
namespace {

std::vector<std::wstring> KernelObjectDacl(HANDLE object) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return {L"<unreadable>"};
    std::vector<std::wstring> lines = test::DescribeAces(dacl);
    ::LocalFree(descriptor);
    return lines;
}

// What a second installer answers: 1 when it acquired the mutex.
DWORD SecondProcessAcquires(const std::wstring& name, bool global) {
    test::ChildProcess child(L"try \"" + name + L"\" " + (global ? L"1" : L"0"));
    EXPECT_TRUE(child.started());
    return child.Wait();
}

bool Exists(const std::wstring& fullName) {
    const UniqueHandle opened(::OpenMutexW(SYNCHRONIZE, FALSE, fullName.c_str()));
    return static_cast<bool>(opened);
}

TEST(InstanceMutexName, AppendsTheMutexSuffix) {
    const struct {
        const wchar_t* applicationId;
        const wchar_t* expected;
    } cases[] = {
        {L"Sarvelio6", L"Sarvelio6.{5ead623c-dfcd-474d-8e3c-e6978cac039e}"},
        {L"", L".{5ead623c-dfcd-474d-8e3c-e6978cac039e}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstanceMutexName(c.applicationId), c.expected);
        EXPECT_EQ(InstanceMutexName(c.applicationId).size() - std::wcslen(c.applicationId), 39u);
    }
}

TEST(InstanceMutex, GlobalMutexLetsEverybodyUseIt) {
    const InstanceMutex mutex(test::UniqueName(L"mutex"), false, true);
    ASSERT_TRUE(mutex.handle());
    wchar_t expected[64];
    std::swprintf(expected, 64, L"0;00;%08lx;S-1-1-0", static_cast<DWORD>(MUTEX_ALL_ACCESS));
    EXPECT_EQ(KernelObjectDacl(mutex.handle()), std::vector<std::wstring>{expected});
}

// Wine keeps the session namespace and Global\ apart, as Windows does for a desktop session.
TEST(InstanceMutex, NamedInItsNamespace) {
    for (const bool global : {true, false}) {
        const std::wstring name = test::UniqueName(global ? L"global" : L"local");
        const InstanceMutex mutex(name, false, global);
        ASSERT_TRUE(mutex.handle());
        EXPECT_EQ(Exists(L"Global\\" + name), global);
        EXPECT_EQ(Exists(name), !global);
        EXPECT_FALSE(mutex.owned());
    }
}

class InstanceMutexAcrossProcesses : public ::testing::TestWithParam<bool> {};

TEST_P(InstanceMutexAcrossProcesses, HolderShutsOutASecondProcessUntilItLetsGo) {
    const bool global = GetParam();
    const std::wstring name = test::UniqueName(L"mutex");
    {
        InstanceMutex mutex(name, false, global);
        ASSERT_TRUE(mutex.TryAcquire());
        EXPECT_EQ(SecondProcessAcquires(name, global), 0u);

        mutex.ReleaseForRegistration();
        EXPECT_FALSE(mutex.owned());
        EXPECT_EQ(SecondProcessAcquires(name, global), 1u);

        EXPECT_TRUE(mutex.TryAcquire());
        EXPECT_EQ(SecondProcessAcquires(name, global), 0u);
    }
    // Destruction released it (the second process creates the mutex anew or finds it free).
    EXPECT_EQ(SecondProcessAcquires(name, global), 1u);
}

INSTANTIATE_TEST_SUITE_P(Namespaces, InstanceMutexAcrossProcesses, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Global" : "Session");
                         });

TEST(InstanceMutex, HeldBySomeoneElseIsNotAcquired) {
    const std::wstring name = test::UniqueName(L"mutex");
    const UniqueHandle ready = test::MakeEvent(test::UniqueName(L"ready"));
    const UniqueHandle quit = test::MakeEvent(test::UniqueName(L"quit"));
    test::ChildProcess holder(L"hold \"" + name + L"\" 1 " + test::UniqueName(L"ready") + L" " +
                              test::UniqueName(L"quit"));
    ASSERT_TRUE(holder.WaitFor(ready.get())) << "the holder did not take the mutex";

    InstanceMutex mutex(name, false, true);
    ASSERT_TRUE(mutex.handle());
    EXPECT_FALSE(mutex.TryAcquire());
    EXPECT_FALSE(mutex.owned());

    ::SetEvent(quit.get());
    EXPECT_EQ(holder.Wait(), 0u);
    EXPECT_TRUE(mutex.TryAcquire()) << "released by the holder at its end";
}

TEST(InstanceMutex, AbandonedByAnEndedProcessCountsAsAcquired) {
    const std::wstring name = test::UniqueName(L"mutex");
    InstanceMutex mutex(name, false, true);  // keeps the object alive after the child ends
    ASSERT_TRUE(mutex.handle());
    test::ChildProcess child(L"abandon \"" + name + L"\"");
    ASSERT_EQ(child.Wait(), 1u) << "the child did not take the mutex";

    // The mutex must really be abandoned (not released by the platform), or the test proves nothing.
    struct {
        LONG currentCount;
        BOOLEAN ownedByCaller;
        BOOLEAN abandoned;
    } state{};
    using NtQueryMutantFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<NtQueryMutantFn>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryMutant"));
    ASSERT_NE(query, nullptr);
    ASSERT_EQ(query(mutex.handle(), 0 /* MutantBasicInformation */, &state, sizeof(state), nullptr), 0);
    ASSERT_TRUE(state.abandoned);

    EXPECT_TRUE(mutex.TryAcquire());
    EXPECT_TRUE(mutex.owned());
    EXPECT_EQ(SecondProcessAcquires(name, true), 0u);
}

TEST(InstanceMutex, CreatedOwnedWhenNewIsHeld) {
    const std::wstring name = test::UniqueName(L"mutex");
    const InstanceMutex mutex(name, true, true);
    EXPECT_TRUE(mutex.owned());
    EXPECT_EQ(SecondProcessAcquires(name, true), 0u);
}

// Created owned while another process holds it: initial ownership is not granted for an existing
// mutex, so the constructor waits until the holder lets go.
TEST(InstanceMutex, CreatedOwnedWhenHeldElsewhereWaitsForIt) {
    const std::wstring name = test::UniqueName(L"mutex");
    const InstanceMutex keeper(name, false, true);  // the mutex outlives the holder
    const UniqueHandle ready = test::MakeEvent(test::UniqueName(L"ready"));
    const UniqueHandle quit = test::MakeEvent(test::UniqueName(L"quit"));
    test::ChildProcess holder(L"hold \"" + name + L"\" 1 " + test::UniqueName(L"ready") + L" " +
                              test::UniqueName(L"quit"));
    ASSERT_TRUE(holder.WaitFor(ready.get())) << "the holder did not take the mutex";

    ::SetEvent(quit.get());
    const InstanceMutex mutex(name, true, true);
    EXPECT_TRUE(mutex.owned());
    EXPECT_EQ(holder.Wait(), 0u);
    EXPECT_EQ(SecondProcessAcquires(name, true), 0u) << "owned means held";
}

TEST(InstanceMutex, MutexThatCannotBeCreatedIsNeverAcquired) {
    // A backslash names a directory of the object namespace that does not exist.
    for (const bool global : {true, false}) {
        InstanceMutex mutex(test::UniqueName(L"no\\such\\folder"), true, global);
        EXPECT_EQ(mutex.handle(), nullptr);
        EXPECT_FALSE(mutex.owned());
        EXPECT_FALSE(mutex.TryAcquire());
    }
}

}  // namespace
}  // namespace sv
