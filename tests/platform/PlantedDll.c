/* A DLL that only the current directory offers: the planted-DLL test loads it by bare name. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

__declspec(dllexport) int SvPlantedMarker(void) {
    return 42;
}
