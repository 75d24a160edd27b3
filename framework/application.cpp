#include "framework/application.h"

#include <utility>

#include "framework/native.h"
#include "framework/window.h"

namespace fw {

namespace {

TApplication* g_application = nullptr;
int g_startShowCommand = kSwNormal;

}  // namespace

TApplication* GetApplicationObject() { return g_application; }

TModule* TApplication::GlobalModule() {
    static TModule module;
    return &module;
}

void TApplication::SetWinMainParams(void*, void*, const char*, int cmdShow) {
    g_startShowCommand = cmdShow;
}

TApplication::TApplication(const char*, TModule*, void*) : nCmdShow(g_startShowCommand) {
    g_application = this;
}

TApplication::~TApplication() {
    delete MainWindow;
    if (g_application == this) g_application = nullptr;
}

TFrameWindow* TApplication::SetMainWindow(TFrameWindow* window) {
    return std::exchange(MainWindow, window);
}

void TApplication::InitMainWindow() {}

bool TApplication::InitInstance() {
    InitMainWindow();
    if (!MainWindow || !MainWindow->Create()) return false;
    MainWindow->Show(nCmdShow);
    return true;
}

int TApplication::Run() {
    if (!InitInstance()) return 1;
    return native::RunMessageLoop();
}

void TApplication::MainWindowDestroyed() { native::PostQuitMessage(0); }

}  // namespace fw
