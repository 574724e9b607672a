// The instance counter across processes: the helper program (sv_platform_helper) plays another
// process of the product family. Application ids are unique per test and process.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "app/InstanceCounter.h"

namespace sv {
namespace {

// The semaphore's count, read through another handle: a unit added and taken back.
LONG CountThrough(HANDLE semaphore) {
    LONG previous = -1;
    if (!::ReleaseSemaphore(semaphore, 1, &previous)) return -1;
    ::WaitForSingleObject(semaphore, 0);
    return previous;
}

// Another process of the family, counted in until the object ends (or it is terminated).
class FamilyProcess {
public:
    explicit FamilyProcess(const std::wstring& applicationId)
        : ready_(test::MakeEvent(test::UniqueName(L"ready"))),
          quit_(test::MakeEvent(test::UniqueName(L"quit"))),
          child_(L"count \"" + applicationId + L"\" " + test::UniqueName(L"ready") + L" " +
                 test::UniqueName(L"quit")) {}
    bool WaitCountedIn() { return child_.WaitFor(ready_.get()); }
    DWORD End() {
        ::SetEvent(quit_.get());
        return child_.Wait();
    }
    void Terminate() { child_.Terminate(); }

private:
    UniqueHandle ready_;
    UniqueHandle quit_;
    test::ChildProcess child_;
};

TEST(InstanceCounterName, IsGlobalWithTheCounterSuffix) {
    EXPECT_EQ(InstanceCounterName(L"Sarvelio6"), L"Global\\Sarvelio6.{a3526b56-ca7c-4e16-8a26-da7758a378fd}");
    EXPECT_EQ(InstanceCounterName(L"Sarvelio6").size(), std::wcslen(L"Global\\Sarvelio6") + 39);
}

TEST(InstanceCounter, LetsEverybodyUseIt) {
    const InstanceCounter counter(test::UniqueName(L"family"));
    ASSERT_TRUE(counter.handle());
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(counter.handle(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    wchar_t expected[64];
    std::swprintf(expected, 64, L"0;00;%08lx;S-1-1-0", static_cast<DWORD>(SEMAPHORE_ALL_ACCESS));
    EXPECT_EQ(test::DescribeAces(dacl), std::vector<std::wstring>{expected});
    ::LocalFree(descriptor);
}

// The process's own counter, as start-up uses it.
TEST(InstanceCount, CountsAnotherProcessOfTheFamilyWhileItLives) {
    const std::wstring applicationId = L"SvTest.Family." + std::to_wstring(::GetCurrentProcessId());
    CountProcessIn(applicationId);
    CountProcessIn(applicationId);  // once per process
    EXPECT_EQ(InstanceCount(), 1u);
    EXPECT_EQ(InstanceCount(), 1u) << "the probe's unit was taken back";

    FamilyProcess other(applicationId);
    ASSERT_TRUE(other.WaitCountedIn());
    EXPECT_EQ(InstanceCount(), 2u);
    EXPECT_EQ(InstanceCount(), 2u);

    EXPECT_EQ(other.End(), 0u);
    EXPECT_EQ(InstanceCount(), 1u) << "counted out at its exit";
}

// A process that crashes is not counted out: its unit stays while the semaphore lives.
TEST(InstanceCount, TerminatedProcessStaysCounted) {
    const std::wstring applicationId = test::UniqueName(L"family");
    InstanceCounter counter(applicationId);
    EXPECT_EQ(counter.Count(), 1u);
    FamilyProcess other(applicationId);
    ASSERT_TRUE(other.WaitCountedIn());
    other.Terminate();
    EXPECT_EQ(counter.Count(), 2u);
}

TEST(InstanceCount, ProcessNotCountedInAnswersZero) {
    test::ChildProcess child(L"probe");
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.Wait(), 0u);
}

TEST(InstanceCounter, CounterThatCannotBeCreatedAnswersZero) {
    InstanceCounter counter(test::UniqueName(L"no\\such\\folder"));
    EXPECT_EQ(counter.handle(), nullptr);
    EXPECT_EQ(counter.added(), 0);
    EXPECT_FALSE(counter.CountIn());
    EXPECT_EQ(counter.Count(), 0u);
}

// At its end a counter takes back its units one by one; when another handle has taken some of
// them, it cannot take all, gives back those it took and leaves the count as it was.
TEST(InstanceCounter, CountsOutOrGivesBack) {
    const struct {
        LONG countedIn;  // units the counter added
        LONG takenElsewhere;
        LONG left;  // count after the counter's end
    } cases[] = {
        {1, 0, 0},
        {3, 0, 0},
        {3, 2, 1},  // took one, failed on the second: gave the one back
        {3, 3, 0},  // failed at once: nothing to give back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.countedIn << " counted in, " << c.takenElsewhere << " taken elsewhere");
        const std::wstring applicationId = test::UniqueName(L"family" + std::to_wstring(c.countedIn) +
                                                            L"." + std::to_wstring(c.takenElsewhere));
        auto counter = std::make_unique<InstanceCounter>(applicationId);
        for (LONG i = 1; i < c.countedIn; ++i) ASSERT_TRUE(counter->CountIn());
        ASSERT_EQ(counter->added(), c.countedIn);

        const UniqueHandle elsewhere(
            ::OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, InstanceCounterName(applicationId).c_str()));
        ASSERT_TRUE(elsewhere);
        for (LONG i = 0; i < c.takenElsewhere; ++i)
            ASSERT_EQ(::WaitForSingleObject(elsewhere.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));

        counter.reset();
        EXPECT_EQ(CountThrough(elsewhere.get()), c.left);
    }
}

}  // namespace
}  // namespace sv
