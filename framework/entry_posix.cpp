// The process entry of the framework on POSIX: calls the program's OwlMain.
// Nothing may escape to the system: an exception ends the process with exit
// code 1.
#include "framework/application.h"
#include "framework/types.h"

int main(int argc, char* argv[]) {
    try {
        fw::TApplication::SetWinMainParams(nullptr, nullptr, "", fw::kSwNormal);
        return OwlMain(argc, argv);
    } catch (...) {
        return 1;
    }
}
