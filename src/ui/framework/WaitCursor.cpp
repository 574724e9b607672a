#include "ui/framework/WaitCursor.h"

namespace sv::ui {
namespace {
thread_local int waitCount = 0;
}

CWaitCursor::CWaitCursor() {
    ++waitCount;
    previous_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

CWaitCursor::~CWaitCursor() {
    --waitCount;
    if (waitCount > 0) SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    else SetCursor(previous_ != nullptr ? previous_ : LoadCursorW(nullptr, IDC_ARROW));
}

bool CWaitCursor::Active() { return waitCount > 0; }

}  // namespace sv::ui
