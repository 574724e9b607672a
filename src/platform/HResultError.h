// The failure style of the access-control helpers: a platform failure travels as an HRESULT
// inside a small exception, and the helpers that promise a yes/no answer catch it at their edge.
#pragma once

#include <windows.h>

#include <exception>

namespace sv {

class HResultError : public std::exception {
public:
    explicit HResultError(HRESULT code) noexcept : code_(code) {}
    HRESULT code() const noexcept { return code_; }
    const char* what() const noexcept override { return "platform call failed (HRESULT)"; }

private:
    HRESULT code_;
};

// HRESULT_FROM_WIN32: values <= 0 pass unchanged, others become 0x8007xxxx (low 16 bits kept).
constexpr HRESULT HResultFromWin32(DWORD error) noexcept {
    return static_cast<HRESULT>(error) <= 0
               ? static_cast<HRESULT>(error)
               : static_cast<HRESULT>((error & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

[[noreturn]] inline void RaiseHResult(HRESULT code) { throw HResultError(code); }

// Raises the HRESULT of the calling thread's last-error value.
[[noreturn]] inline void RaiseLastError() { RaiseHResult(HResultFromWin32(::GetLastError())); }

}  // namespace sv
