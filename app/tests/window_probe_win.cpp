// Test helper: describes the top-level window of a class, as another
// process sees it, on one line:
//   caption=<text> class=<name> visible=<0|1> style=0x<hex> rect=<l>,<t>,<r>,<b>
// Exit code 1 when there is no such window.
#include <cstdio>

#include "platform/win.h"

int main(int argc, char* argv[]) {
    if (argc < 2) return 2;
    HWND window = FindWindowA(argv[1], nullptr);
    if (!window) return 1;
    char caption[256] = {};
    char className[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    GetClassNameA(window, className, sizeof className);
    RECT r{};
    GetWindowRect(window, &r);
    auto style = static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE));
    std::printf("caption=%s class=%s visible=%d style=0x%08lX rect=%ld,%ld,%ld,%ld\n", caption,
                className, IsWindowVisible(window) ? 1 : 0, style, r.left, r.top, r.right,
                r.bottom);
    return 0;
}
