// The instance counter: a semaphore whose count is the number of live processes of the product
// family (the installer and the installed program share it through the application id). Every
// process counts itself in at start and out at exit; the installer probes the count to learn
// whether the product is running.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace sv {

// "Global\" + applicationId + ".{a3526b56-ca7c-4e16-8a26-da7758a378fd}"
std::wstring InstanceCounterName(const std::wstring& applicationId);

class InstanceCounter {
public:
    // Opens or creates the family's semaphore (everybody may use it: SEMAPHORE_ALL_ACCESS for
    // Everyone) and counts this process in. A counter that cannot be created has a null handle.
    explicit InstanceCounter(const std::wstring& applicationId);
    InstanceCounter(const InstanceCounter&) = delete;
    InstanceCounter& operator=(const InstanceCounter&) = delete;
    // Takes back the units this object added, one by one; when one cannot be taken, gives back those
    // taken so far and leaves the count as it was.
    ~InstanceCounter();

    // Adds one unit for this process; true when added.
    bool CountIn() noexcept;

    // The number of processes counted in, this one included: a probe unit is added and taken back
    // at once. 0 when the counter is unusable.
    unsigned Count() noexcept;

    HANDLE handle() const noexcept { return handle_.get(); }
    LONG added() const noexcept { return added_; }

private:
    UniqueHandle handle_;
    LONG added_ = 0;  // units added by this object and not yet taken back
};

// The process's own counter, created once under one-time initialisation. Call CountProcessIn
// during the library set-up at process start: the first call creates the counter for that
// application id and counts the process in; later calls do nothing. The process is counted out
// when static objects are destroyed at exit (exit(), or returning from the entry point).
void CountProcessIn(const std::wstring& applicationId);

// Count() of the process's counter; 0 when CountProcessIn has not run (or the counter is unusable),
// so that the running-product check lets start-up go on.
unsigned InstanceCount() noexcept;

}  // namespace sv
