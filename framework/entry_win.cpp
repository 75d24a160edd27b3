// The process entry of the framework on Windows: hands the start parameters
// to the application class and calls the program's OwlMain. Nothing may
// escape to the system: an exception ends the process with exit code 1.
// Before anything else, DLLs are restricted to System32: the program may
// run as SYSTEM from a folder that users can write to.
#include <cstdlib>

#include "framework/application.h"
#include "platform/dll_search.h"
#include "platform/win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow) {
    plat::RestrictDllSearch();  // refused on an unpatched Windows 7 only: the hook still holds
    try {
        fw::TApplication::SetWinMainParams(instance, prevInstance, cmdLine, cmdShow);
        return OwlMain(__argc, __argv);
    } catch (...) {
        return 1;
    }
}
