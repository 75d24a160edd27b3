// The application object. Run initialises the instance (InitMainWindow,
// then the main window is created and shown with the show command), runs the
// message loop until the main window is destroyed, and returns the loop's
// exit code. The process entry of the framework calls the program's OwlMain.
#pragma once

#include "framework/event_handler.h"
#include "framework/module.h"
#include "framework/types.h"

namespace fw {

class TWindow;
class TFrameWindow;

class TApplication : public TModule, public TEventHandler {
public:
    // name, module and dictionary are kept for the framework's signature:
    // the program has one module, whose resources the application reads.
    explicit TApplication(const char* name = nullptr, TModule* module = nullptr,
                          void* dictionary = nullptr);
    ~TApplication() override;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    int Run();

    // Takes ownership of window (deleted with the application); returns the
    // previous main window, whose ownership passes to the caller.
    TFrameWindow* SetMainWindow(TFrameWindow* window);
    TFrameWindow* GetMainWindow() const { return MainWindow; }

    // The process start's parameters, handed over by the process entry.
    static void SetWinMainParams(void* instance, void* prevInstance, const char* cmdLine,
                                 int cmdShow);

    // The show command applied when the main window is first shown.
    int nCmdShow;

    // The module object of the program.
    static TModule* GlobalModule();

protected:
    virtual void InitMainWindow();
    virtual bool InitInstance();

private:
    friend class TWindow;
    void MainWindowDestroyed();

    TFrameWindow* MainWindow = nullptr;
};

// The application object of this process; null when there is none.
TApplication* GetApplicationObject();

}  // namespace fw

// Supplied by the program; called by the framework's process entry.
int OwlMain(int argc, char* argv[]);
