// The instance mutex: held by the installer while it runs, so that a second installer of the same
// product refuses to start, and let go while the installed program runs its registration.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace sv {

// applicationId + ".{5ead623c-dfcd-474d-8e3c-e6978cac039e}"; the mutex adds "Global\" itself.
std::wstring InstanceMutexName(const std::wstring& applicationId);

class InstanceMutex {
public:
    // A global mutex is named "Global\" + name and lets everybody use it (MUTEX_ALL_ACCESS for
    // Everyone); otherwise the name is used unchanged with default security. When initiallyOwned
    // and the mutex already existed, it belonged to someone else: the constructor waits for it
    // without a time-out. A mutex that cannot be created (also when its security attributes cannot
    // be built) has a null handle and is never acquired. The thread's last error is that of the
    // creation.
    InstanceMutex(const std::wstring& name, bool initiallyOwned, bool global);
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;
    // Releases the mutex when owned, then closes it.
    ~InstanceMutex();

    // Tries to take the mutex without waiting; one abandoned by a process that ended without
    // releasing it counts as taken. Answers owned().
    bool TryAcquire() noexcept;

    // Lets the mutex go while the installed program runs its registration (TryAcquire afterwards).
    void ReleaseForRegistration() noexcept;

    bool owned() const noexcept { return owned_; }
    HANDLE handle() const noexcept { return handle_.get(); }

private:
    UniqueHandle handle_;
    bool owned_ = false;
};

}  // namespace sv
