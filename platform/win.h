// The one header of the project that includes <windows.h>. Windows backends
// include this instead, so the lean defines and the target version are in
// one place. MinGW-w64's headers declare every constant the backends use; a
// fall-back for one they lack would go here, behind #ifndef.
#pragma once

#ifndef _WIN32
#error "platform/win.h is for the Windows backends only"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601  // Windows 7
#endif

#include <windows.h>
