#include "platform/dll_search.h"

#include "platform/win.h"

#include <delayimp.h>

namespace {

// The delay-load helper calls this before it loads an import itself; a
// module returned here is used instead of its LoadLibraryA, which would look
// beside the program first unless the process default says otherwise.
FARPROC WINAPI LoadImportFromSystem32(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary) return nullptr;
    HMODULE module = LoadLibraryExA(info->szDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// Replaces the C runtime's empty default wherever this file is linked in,
// which a call of RestrictDllSearch makes sure of.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadImportFromSystem32;
}

namespace plat {

bool RestrictDllSearch() { return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0; }

}  // namespace plat
