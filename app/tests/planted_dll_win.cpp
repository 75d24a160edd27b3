// Test fixture: a DLL as a user could plant it beside a program, built as
// version.dll and as wininet.dll. Loaded, it leaves PLANTED_MARKER in its
// folder; its functions only fail. It exports what the importer of the
// planted-DLL test imports from either.
#include "platform/win.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 32];
    DWORD n = GetModuleFileNameW(self, marker, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    while (n > 0 && marker[n - 1] != L'\\') --n;
    lstrcpyW(marker + n, PLANTED_MARKER);
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}

__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR, LPDWORD) { return 0; }

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID) {
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueA(LPCVOID, LPCSTR, LPVOID*, PUINT) { return FALSE; }

__declspec(dllexport) DWORD WINAPI InternetAttemptConnect(DWORD) { return ERROR_NOT_SUPPORTED; }

}  // extern "C"
