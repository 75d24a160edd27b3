// Windows of the framework. A TWindow owns one native window from Create to
// its destruction; messages for it arrive in ReceiveMessage, are looked up in
// the response tables (Find) and dispatched, and close requests destroy it.
// Destroying an application's main window ends the application's message
// loop.
#pragma once

#include <cstdint>
#include <string>

#include "framework/event_handler.h"
#include "framework/types.h"

namespace fw {

class TModule;

// Creation attributes, applied when the native window is created.
struct TWindowAttr {
    std::uint32_t Style = 0;
    int X = 0, Y = 0, W = 0, H = 0;
};

class TWindow : public TEventHandler {
public:
    TWindow(TWindow* parent, const char* title, TModule* module = nullptr);
    ~TWindow() override;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    // The window class name the native window is registered and created
    // under.
    virtual const char* GetClassName();

    // Called once the native window exists.
    virtual void SetupWindow();

    // Creates the native window (hidden unless Attr.Style holds WS_VISIBLE)
    // and calls SetupWindow. False when the window could not be created.
    bool Create();

    bool PostMessage(unsigned msg, TParam1 p1 = 0, TParam2 p2 = 0);
    void Show(int showCommand);
    // Destroys the native window, if any.
    void Destroy();

    THandle GetHandle() const { return Handle; }
    const std::string& GetCaption() const { return Title; }

    // Entry point for the native layer: one message for this window.
    TResult ReceiveMessage(unsigned msg, TParam1 p1, TParam2 p2, bool& handled);

    TWindowAttr Attr;

protected:
    // Default handling of WM_CLOSE: destroy the window.
    virtual void EvClose();

    TWindow* Parent;
    TModule* Module;
    std::string Title;
    THandle Handle = nullptr;
};

// A top-level window with a caption and icons.
class TFrameWindow : public TWindow {
public:
    // client and shrinkToClient are kept for the framework's signature; this
    // layer has no client windows.
    TFrameWindow(TWindow* parent, const char* title, TWindow* client = nullptr,
                 bool shrinkToClient = false, TModule* module = nullptr);

    void SetupWindow() override;

    // Large and small icon from icon group resId of the program's resources;
    // applied now or, before creation, when the window is set up.
    void SetIcon(TModule* module, int resId);
    void SetIconSm(TModule* module, int resId);

private:
    int IconId = 0;
    int IconSmId = 0;
};

// Screen size in pixels (GetSystemMetrics SM_CXSCREEN / SM_CYSCREEN; the
// POSIX stand-in reports 1920x1080).
int ScreenWidth();
int ScreenHeight();

// A top-level window of the class, in any process; null when there is none.
THandle FindTopLevelWindow(const char* className);

// Applies a show command to a window, possibly another process's, without
// waiting for that window's thread to handle it.
void ShowWindowAsync(THandle window, int showCommand);

}  // namespace fw
