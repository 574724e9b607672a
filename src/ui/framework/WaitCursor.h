// The wait cursor: shown over the framework's dialogs while at least one CWaitCursor exists.
#pragma once

#include <windows.h>

namespace sv::ui {

class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    // True while a wait cursor is in effect on this thread.
    static bool Active();

private:
    HCURSOR previous_;
};

}  // namespace sv::ui
