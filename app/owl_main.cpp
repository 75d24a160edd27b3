// The program's entry, called by the framework's process entry. Command-line
// arguments are not interpreted.
#include "app/talcheck.h"
#include "app/talcheck_window.h"
#include "framework/window.h"

int OwlMain(int, char*[]) {
    // One copy at a time: a second start shows the first copy's window by
    // minimising it and ends. The show is asynchronous: the first copy's
    // thread handles no messages while its run goes on, so a synchronous
    // show would hold this copy until that run ended.
    if (fw::THandle first = fw::FindTopLevelWindow(app::kTalCheckClass)) {
        fw::ShowWindowAsync(first, fw::kSwMinimize);
        return 0;
    }
    try {
        app::TalCheck program;
        program.Run();
    } catch (...) {
        // The run itself catches everything; this covers building the
        // window and the message loop, so that no start ends in a crash.
    }
    return 0;
}
