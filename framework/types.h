// Basic types and message numbers of the framework layer. The values are the
// Windows ones on every platform, so code above the framework never needs
// <windows.h> and the POSIX stand-in speaks the same numbers.
#pragma once

#include <cstdint>

namespace fw {

using TParam1 = std::uintptr_t;  // WPARAM
using TParam2 = std::intptr_t;   // LPARAM
using TResult = std::intptr_t;   // LRESULT
using THandle = void*;           // HWND on Windows, a stand-in record on POSIX

constexpr unsigned kWmDestroy = 0x0002;  // WM_DESTROY
constexpr unsigned kWmClose = 0x0010;    // WM_CLOSE
constexpr unsigned kWmUser = 0x0400;     // WM_USER

constexpr int kSwHide = 0;      // SW_HIDE
constexpr int kSwNormal = 1;    // SW_SHOWNORMAL
constexpr int kSwMinimize = 6;  // SW_MINIMIZE

}  // namespace fw
