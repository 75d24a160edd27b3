// The window system under the framework: real Win32 windows on Windows, an
// in-process stand-in on POSIX. Only the framework's own classes call these;
// the backends also define the free functions of framework/window.h and
// TModule::LoadString.
//
// POSIX stand-in:
// - a window is a record in this process; posted messages go to one
//   in-process queue that RunMessageLoop empties in order;
// - a window of a class holds a marker for the process's life: an exclusive
//   lock on "<class>.lock" in a directory only this user can write:
//   $XDG_RUNTIME_DIR when it is one, else talcheck-<uid> in $TMPDIR or /tmp (made with mode
//   0700, and checked for owner and mode, so another user cannot hold the
//   mark). The system releases the lock when the process dies, so a stale
//   file stops nothing. FindWindow reports a window of the class when another
//   process holds that lock, and says so on stderr; a window that cannot
//   take its marker is made without one, also with a line on stderr;
// - there is no screen: ScreenWidth/ScreenHeight report a nominal 1920x1080,
//   and showing or minimising only records the state.
#pragma once

#include "framework/types.h"

namespace fw {

class TWindow;

namespace native {

struct CreateParams {
    const char* className;
    const char* caption;
    std::uint32_t style;
    int x, y, w, h;
    THandle parent;
};

// Registers the class once per process (a repeated call is harmless) and
// creates a window whose messages go to owner->ReceiveMessage. Null on
// failure. The window exists hidden unless the style says otherwise.
THandle CreateNativeWindow(TWindow* owner, const CreateParams& params);

// Destroys the window; its owner receives kWmDestroy before this returns.
void DestroyNativeWindow(THandle window);

bool PostNativeMessage(THandle window, unsigned msg, TParam1 p1, TParam2 p2);
void ShowNativeWindow(THandle window, int showCommand);

// Runs until PostQuitMessage; returns the quit code.
int RunMessageLoop();
void PostQuitMessage(int code);

// Sets the window's large (smallIcon false) or small icon from icon group iconId
// of the program's resources (no effect on POSIX).
void SetWindowIcon(THandle window, int iconId, bool smallIcon);

}  // namespace native
}  // namespace fw
