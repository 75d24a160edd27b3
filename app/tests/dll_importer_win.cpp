// Test helper: imports VERSION.dll and WININET.dll the ordinary way, so
// that the loader looks beside it first; the control of the planted-DLL
// test.
#include "platform/win.h"

extern "C" {
__declspec(dllimport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR, LPDWORD);
__declspec(dllimport) DWORD WINAPI InternetAttemptConnect(DWORD);
}

int main(int argc, char* argv[]) {
    DWORD handle = 0;
    if (argc < 2 || GetFileVersionInfoSizeA(argv[1], &handle) == 0) return 1;
    return InternetAttemptConnect(0) == ERROR_SUCCESS ? 0 : 1;
}
