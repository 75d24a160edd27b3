// The process entry of the framework on Windows: hands the start parameters
// to the application class and calls the program's OwlMain. Nothing may
// escape to the system: an exception ends the process with exit code 1.
#include <cstdlib>

#include "framework/application.h"
#include "platform/win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow) {
    try {
        fw::TApplication::SetWinMainParams(instance, prevInstance, cmdLine, cmdShow);
        return OwlMain(__argc, __argv);
    } catch (...) {
        return 1;
    }
}
