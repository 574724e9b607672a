// Move-only owners for every Win32 handle kind, from one template.
//
//   UniqueHKey key;                       // closes with RegCloseKey
//   RegOpenKeyExW(root, path, 0, KEY_READ, key.put());
//
// Closing preserves the thread's last-error value, so a wrapper going out of scope never
// disturbs the error a caller is about to report.
#pragma once

#include <windows.h>
#include <utility>

namespace sv {

// Traits: the handle type, its "no handle" value and how to close it.
template <typename T, auto Close>
struct NullTraits {
    using type = T;
    static T invalid() noexcept { return T{}; }
    static void close(T value) noexcept { Close(value); }
};
template <auto Close>
struct InvalidHandleTraits {
    using type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE value) noexcept { Close(value); }
};

template <typename Traits>
class UniqueAny {
public:
    using T = typename Traits::type;

    UniqueAny() noexcept = default;
    explicit UniqueAny(T value) noexcept : value_(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(std::exchange(other.value_, Traits::invalid())) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, Traits::invalid()));
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    // Address for out-parameters; releases the current value first.
    T* put() noexcept {
        reset();
        return &value_;
    }

    T release() noexcept { return std::exchange(value_, Traits::invalid()); }

    void reset(T value = Traits::invalid()) noexcept {
        if (value_ != Traits::invalid()) {
            const DWORD lastError = ::GetLastError();
            Traits::close(value_);
            ::SetLastError(lastError);
        }
        value_ = value;
    }

private:
    T value_ = Traits::invalid();
};

namespace detail {
inline void CloseHandleFn(HANDLE h) noexcept { ::CloseHandle(h); }
inline void RegCloseKeyFn(HKEY h) noexcept { ::RegCloseKey(h); }
inline void FindCloseFn(HANDLE h) noexcept { ::FindClose(h); }
inline void FreeLibraryFn(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void LocalFreeFn(HLOCAL h) noexcept { ::LocalFree(h); }
inline void DestroyIconFn(HICON h) noexcept { ::DestroyIcon(h); }
inline void DeleteObjectFn(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DestroyWindowFn(HWND h) noexcept { ::DestroyWindow(h); }
}  // namespace detail

using UniqueHandle = UniqueAny<NullTraits<HANDLE, detail::CloseHandleFn>>;  // null is "no handle"
using UniqueFileHandle = UniqueAny<InvalidHandleTraits<detail::CloseHandleFn>>;
using UniqueFindHandle = UniqueAny<InvalidHandleTraits<detail::FindCloseFn>>;
using UniqueHKey = UniqueAny<NullTraits<HKEY, detail::RegCloseKeyFn>>;
using UniqueModule = UniqueAny<NullTraits<HMODULE, detail::FreeLibraryFn>>;
using UniqueLocal = UniqueAny<NullTraits<HLOCAL, detail::LocalFreeFn>>;
using UniqueIcon = UniqueAny<NullTraits<HICON, detail::DestroyIconFn>>;
using UniqueGdiObject = UniqueAny<NullTraits<HGDIOBJ, detail::DeleteObjectFn>>;
using UniqueWindow = UniqueAny<NullTraits<HWND, detail::DestroyWindowFn>>;

// Runs a callable when the scope ends, for one-off undo steps.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) noexcept : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() {
        if (active_) f_();
    }
    void dismiss() noexcept { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

}  // namespace sv
