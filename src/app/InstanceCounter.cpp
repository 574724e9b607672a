#include "app/InstanceCounter.h"

#include <mutex>
#include <optional>

#include "platform/AccessControl.h"

namespace sv {
namespace {

constexpr LONG kMaximumCount = 0x7FFFFFFF;

constinit std::once_flag g_counterOnce;
constinit std::optional<InstanceCounter> g_counter;  // destroyed, so counted out, at process exit

}  // namespace

std::wstring InstanceCounterName(const std::wstring& applicationId) {
    return L"Global\\" + applicationId + L".{a3526b56-ca7c-4e16-8a26-da7758a378fd}";
}

InstanceCounter::InstanceCounter(const std::wstring& applicationId) {
    const std::wstring name = InstanceCounterName(applicationId);
    try {
        EveryoneSecurityAttributes attributes(SEMAPHORE_ALL_ACCESS);
        // An existing semaphore (another process of the family) is used as it is.
        handle_.reset(::CreateSemaphoreW(attributes.get(), 0, kMaximumCount, name.c_str()));
    } catch (const HResultError&) {
        // No security attributes, no counter: Count() answers 0.
    }
    CountIn();
}

InstanceCounter::~InstanceCounter() {
    if (added_ > 0) {
        LONG taken = 0;
        while (taken < added_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0) ++taken;
        if (taken == added_)
            added_ = 0;
        else if (taken > 0)
            ::ReleaseSemaphore(handle_.get(), taken, nullptr);
    } else if (added_ < 0) {
        if (::ReleaseSemaphore(handle_.get(), -added_, nullptr)) added_ = 0;
    }
}

bool InstanceCounter::CountIn() noexcept {
    if (!handle_ || !::ReleaseSemaphore(handle_.get(), 1, nullptr)) return false;
    ++added_;
    return true;
}

unsigned InstanceCounter::Count() noexcept {
    LONG previous = 0;
    if (!handle_ || !::ReleaseSemaphore(handle_.get(), 1, &previous)) return 0;
    ::WaitForSingleObject(handle_.get(), 0);
    return static_cast<unsigned>(previous);
}

void CountProcessIn(const std::wstring& applicationId) {
    std::call_once(g_counterOnce, [&] { g_counter.emplace(applicationId); });
}

unsigned InstanceCount() noexcept {
    return g_counter ? g_counter->Count() : 0;
}

}  // namespace sv
