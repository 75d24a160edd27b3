// Where the program's DLLs are loaded from.
//
// Windows: TalCheck.exe may run as SYSTEM from a folder that users can write
// to. The DLLs it imports that are not KnownDLLs (VERSION.dll, WININET.dll)
// are delay-loaded (cmake/DelayImports.cmake; USER32.dll and SHLWAPI.dll as
// well, since Wine's user32 imports VERSION.dll), so that nothing but the
// KnownDLLs is loaded before the entry point calls RestrictDllSearch(). From
// then on the process loads DLLs, and their dependencies, from System32
// only; a DLL beside the program is never loaded, whatever folder it is in.
// The delay-load hook asks for System32 itself as well, so the delay-loaded
// imports come from there even where SetDefaultDllDirectories is refused
// (Windows 7 without KB2533623).
//
// POSIX: shared objects come from the paths the dynamic loader is
// configured with, never from the program's folder; nothing to do.
#pragma once

namespace plat {

// Call first thing in the process entry. Returns false when the system
// refused the process-wide default (the delay-loaded imports still come
// from System32); true on POSIX.
bool RestrictDllSearch();

}  // namespace plat
