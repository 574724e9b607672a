// Placeholder for the product's uninstaller in the demo payload. The real stand-in reads
// Uninstall.ulog and removes what it lists; until then this program only says so and exits 1.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::MessageBoxW(nullptr, L"The uninstaller of the Sarvelio demo is not available yet.", L"Sarvelio 6.04h",
                  MB_OK | MB_ICONINFORMATION);
    return 1;
}
