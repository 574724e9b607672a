// Second process for the platform and instance tests. Exit codes answer the test:
//   try <name> <global 0|1>                  1 when the mutex was acquired, else 0
//   hold <name> <global> <ready> <quit>      holds the mutex until <quit>, then releases it; 2 when not acquired
//   abandon <name>                           acquires and ends without releasing; 1 when acquired
//   count <applicationId> <ready> <quit>     counts the process in until <quit>, counted out at exit
//   probe                                    InstanceCount() without counting in
//   loaddll <dll> <restrict 0|1>             1 when LoadLibraryW(<dll>) loaded something
#include <windows.h>

#include <string>

#include "app/InstanceCounter.h"
#include "app/InstanceMutex.h"
#include "platform/DllSearch.h"

namespace {

void Signal(const wchar_t* name) {
    const HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    ::SetEvent(event);
    ::CloseHandle(event);
}

void WaitForEvent(const wchar_t* name) {
    const HANDLE event = ::OpenEventW(SYNCHRONIZE, FALSE, name);
    ::WaitForSingleObject(event, INFINITE);
    ::CloseHandle(event);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"try" && argc == 4) {
        sv::InstanceMutex mutex(argv[2], false, argv[3][0] == L'1');
        return mutex.TryAcquire() ? 1 : 0;
    }
    if (mode == L"hold" && argc == 6) {
        sv::InstanceMutex mutex(argv[2], false, argv[3][0] == L'1');
        if (!mutex.TryAcquire()) return 2;
        Signal(argv[4]);
        WaitForEvent(argv[5]);
        return 0;
    }
    if (mode == L"abandon" && argc == 3) {
        sv::InstanceMutex mutex(argv[2], false, true);
        const bool acquired = mutex.TryAcquire();
        ::ExitProcess(acquired ? 1 : 0);  // no destructor: the mutex is left abandoned
    }
    if (mode == L"count" && argc == 5) {
        sv::CountProcessIn(argv[2]);
        Signal(argv[3]);
        WaitForEvent(argv[4]);
        return 0;
    }
    if (mode == L"probe" && argc == 2) {
        return static_cast<int>(sv::InstanceCount());
    }
    if (mode == L"loaddll" && argc == 4) {
        if (argv[3][0] == L'1') sv::RestrictDllSearchPath();
        return ::LoadLibraryW(argv[2]) ? 1 : 0;
    }
    return 100;
}
