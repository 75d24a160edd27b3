// The program's composition root: the update run's world made of the real
// rooms (net/ for requests, signature/ for the check, installation/ for the
// install step), each service ready to use as it is made.
#pragma once

#include "app/run_guard.h"
#include "vocabulary/log_event.h"

namespace app {

// The services of one run that log through log, and the installer base URL
// of the host setting in force. ownerWindow is handed to the install step.
RunStart MakeRunStart(const vocab::LogWriter& log, void* ownerWindow);

// One whole update run, as the program starts it.
void RunStationUpdate(const char* computerName, void* ownerWindow);

}  // namespace app
