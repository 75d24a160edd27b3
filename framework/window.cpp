#include "framework/window.h"

#include "framework/application.h"
#include "framework/native.h"

namespace fw {

TWindow::TWindow(TWindow* parent, const char* title, TModule* module)
    : Parent(parent), Module(module), Title(title ? title : "") {}

TWindow::~TWindow() { Destroy(); }

const char* TWindow::GetClassName() { return "TalFrameworkWindow"; }

void TWindow::SetupWindow() {}

bool TWindow::Create() {
    if (Handle) return true;
    native::CreateParams params{
        GetClassName(), Title.c_str(), Attr.Style, Attr.X,
        Attr.Y,         Attr.W,        Attr.H,     Parent ? Parent->Handle : nullptr};
    Handle = native::CreateNativeWindow(this, params);
    if (!Handle) return false;
    SetupWindow();
    return true;
}

bool TWindow::PostMessage(unsigned msg, TParam1 p1, TParam2 p2) {
    return Handle && native::PostNativeMessage(Handle, msg, p1, p2);
}

void TWindow::Show(int showCommand) {
    if (Handle) native::ShowNativeWindow(Handle, showCommand);
}

void TWindow::Destroy() {
    if (Handle) native::DestroyNativeWindow(Handle);
    Handle = nullptr;
}

void TWindow::EvClose() { Destroy(); }

TResult TWindow::ReceiveMessage(unsigned msg, TParam1 p1, TParam2 p2, bool& handled) {
    handled = true;
    TEventInfo info(msg);
    if (Find(info)) return Dispatch(info, p1, p2);
    if (msg == kWmClose) {
        EvClose();
        return 0;
    }
    handled = false;
    if (msg == kWmDestroy) {
        // The native window is going away: forget it first, so nothing
        // posts to it any more, then end the loop if it was the main one.
        Handle = nullptr;
        TApplication* app = GetApplicationObject();
        if (app && app->GetMainWindow() == this) app->MainWindowDestroyed();
    }
    return 0;
}

TFrameWindow::TFrameWindow(TWindow* parent, const char* title, TWindow*, bool, TModule* module)
    : TWindow(parent, title, module) {
    // Overlapped window with caption, system menu, thick frame and the
    // minimise and maximise boxes (WS_OVERLAPPEDWINDOW).
    Attr.Style = 0x00CF0000u;
}

void TFrameWindow::SetupWindow() {
    TWindow::SetupWindow();
    if (IconId) native::SetWindowIcon(Handle, IconId, false);
    if (IconSmId) native::SetWindowIcon(Handle, IconSmId, true);
}

void TFrameWindow::SetIcon(TModule*, int resId) {
    IconId = resId;
    if (Handle) native::SetWindowIcon(Handle, resId, false);
}

void TFrameWindow::SetIconSm(TModule*, int resId) {
    IconSmId = resId;
    if (Handle) native::SetWindowIcon(Handle, resId, true);
}

}  // namespace fw
