// The installer's process start. Static objects of one translation unit are initialised in the
// order they are defined: the processor check and the library set-up run before the application
// object is constructed.
#include <windows.h>

#include "app/InstallApp.h"
#include "app/StartUp.h"
#include "install/InstallSequence.h"
#include "platform/DllSearch.h"
#include "platform/RedirectionTrust.h"

namespace {

// The installer is typically started from a downloads folder: before any library that is not
// loaded yet is pulled in, the DLL search is restricted to the system folder.
const bool dllSearchRestricted = (sv::RestrictDllSearchPath(), true);
// Junctions that a standard user planted are not followed, where the system offers it.
const bool redirectionTrusted = (sv::EnableRedirectionTrust(), true);
const bool processorChecked = (sv::CheckProcessor(), true);
const bool librarySetUp = (sv::SetUpLibrary(), true);

// Pressing Install on the install page runs the install sequence on that page.
bool RunInstallation(sv::ui::CDlgInstall& page) {
    sv::InstallSequence sequence(page.Hwnd(), page.State());
    return sequence.DoInstall();
}

sv::CInstallApp theApp{RunInstallation};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return sv::ui::RunApplication(); }
