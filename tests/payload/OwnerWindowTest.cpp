// OwnerWindow: the owner of platform dialogs shown on the installer's behalf. Needs a display
// (label "gui": run under xvfb-run).
#include <gtest/gtest.h>

#include <windows.h>

#include "payload/OwnerWindow.h"
#include "platform/UniqueHandle.h"

namespace {

sv::UniqueWindow MakeWindow(DWORD style, HWND owner = nullptr) {
    static const ATOM windowClass = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = ::DefWindowProcW;
        c.hInstance = ::GetModuleHandleW(nullptr);
        c.lpszClassName = L"OwnerWindowTest";
        return ::RegisterClassW(&c);
    }();
    return sv::UniqueWindow(::CreateWindowExW(0, MAKEINTATOM(windowClass), L"test", style, 0, 0, 200, 100, owner,
                                              nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

TEST(OwnerWindowTest, NoWindowOfTheThreadGivesNone) { EXPECT_EQ(sv::OwnerWindow(), nullptr); }

TEST(OwnerWindowTest, WithoutActiveWindowTheFirstTitledRootOwnerIsUsed) {
    const sv::UniqueWindow untitled = MakeWindow(WS_POPUP);  // no title bar: passed over
    const sv::UniqueWindow frame = MakeWindow(WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(untitled && frame);
    ASSERT_EQ(::GetActiveWindow(), nullptr);  // never shown
    EXPECT_EQ(sv::OwnerWindow(), frame.get());
}

TEST(OwnerWindowTest, ActiveOwnedPopupIsTheAnswer) {
    const sv::UniqueWindow frame = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const sv::UniqueWindow popup = MakeWindow(WS_POPUP | WS_CAPTION | WS_VISIBLE, frame.get());
    ASSERT_TRUE(frame && popup);
    ::SetActiveWindow(popup.get());
    ASSERT_EQ(::GetActiveWindow(), popup.get());
    EXPECT_EQ(sv::OwnerWindow(), popup.get());  // the root owner's last active pop-up
}

}  // namespace
