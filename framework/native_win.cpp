#include "framework/native.h"

#include <cstring>

#include "framework/module.h"
#include "framework/window.h"
#include "platform/win.h"

// <windows.h> maps LoadString to LoadStringA; TModule::LoadString is defined
// here under its own name.
#undef LoadString

namespace fw {
namespace native {

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* owner = reinterpret_cast<TWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (!owner) return DefWindowProcA(hwnd, msg, wp, lp);
    bool handled = false;
    TResult result = owner->ReceiveMessage(msg, wp, lp, handled);
    return handled ? result : DefWindowProcA(hwnd, msg, wp, lp);
}

bool RegisterClassOnce(const char* className, HINSTANCE instance) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, className, &existing)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

THandle CreateNativeWindow(TWindow* owner, const CreateParams& p) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterClassOnce(p.className, instance)) return nullptr;
    return CreateWindowExA(0, p.className, p.caption, p.style, p.x, p.y, p.w, p.h,
                           static_cast<HWND>(p.parent), nullptr, instance, owner);
}

void DestroyNativeWindow(THandle window) { ::DestroyWindow(static_cast<HWND>(window)); }

bool PostNativeMessage(THandle window, unsigned msg, TParam1 p1, TParam2 p2) {
    return ::PostMessageA(static_cast<HWND>(window), msg, p1, p2) != FALSE;
}

void ShowNativeWindow(THandle window, int showCommand) {
    ::ShowWindow(static_cast<HWND>(window), showCommand);
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void PostQuitMessage(int code) { ::PostQuitMessage(code); }

void SetWindowIcon(THandle window, int iconId, bool smallIcon) {
    int metric = smallIcon ? SM_CXSMICON : SM_CXICON;
    int size = GetSystemMetrics(metric);
    HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size,
                             size, LR_DEFAULTCOLOR | LR_SHARED);
    if (!icon) return;
    SendMessageA(static_cast<HWND>(window), WM_SETICON, smallIcon ? ICON_SMALL : ICON_BIG,
                 reinterpret_cast<LPARAM>(icon));
}

}  // namespace native

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

THandle FindTopLevelWindow(const char* className) { return ::FindWindowA(className, nullptr); }

void ShowWindowAsync(THandle window, int showCommand) {
    ::ShowWindowAsync(static_cast<HWND>(window), showCommand);
}

int TModule::LoadString(unsigned id, char* buf, int size) const {
    return ::LoadStringA(GetModuleHandleA(nullptr), id, buf, size);
}

}  // namespace fw
