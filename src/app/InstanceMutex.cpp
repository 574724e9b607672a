#include "app/InstanceMutex.h"

#include "platform/AccessControl.h"

namespace sv {

std::wstring InstanceMutexName(const std::wstring& applicationId) {
    return applicationId + L".{5ead623c-dfcd-474d-8e3c-e6978cac039e}";
}

InstanceMutex::InstanceMutex(const std::wstring& name, bool initiallyOwned, bool global) {
    if (global) {
        const std::wstring globalName = L"Global\\" + name;
        HANDLE created = nullptr;
        DWORD lastError = ERROR_SUCCESS;
        try {
            EveryoneSecurityAttributes attributes(MUTEX_ALL_ACCESS);
            created = ::CreateMutexW(attributes.get(), initiallyOwned, globalName.c_str());
            lastError = ::GetLastError();
        } catch (const HResultError& error) {
            lastError = static_cast<DWORD>(error.code());
        }
        // Freeing the descriptor and its DACL must not hide ERROR_ALREADY_EXISTS.
        ::SetLastError(lastError);
        handle_.reset(created);
    } else {
        handle_.reset(::CreateMutexW(nullptr, initiallyOwned, name.c_str()));
    }

    if (handle_ && initiallyOwned && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another process created it (and may hold it): initial ownership was not granted.
        const DWORD wait = ::WaitForSingleObject(handle_.get(), INFINITE);
        owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    } else {
        owned_ = handle_ && initiallyOwned;
    }
}

InstanceMutex::~InstanceMutex() {
    if (handle_ && owned_) ::ReleaseMutex(handle_.get());
}

bool InstanceMutex::TryAcquire() noexcept {
    const DWORD wait = handle_ ? ::WaitForSingleObject(handle_.get(), 0) : WAIT_FAILED;
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return owned_;
}

void InstanceMutex::ReleaseForRegistration() noexcept {
    ::ReleaseMutex(handle_.get());
    owned_ = false;
}

}  // namespace sv
