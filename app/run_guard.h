// The update run as the program starts it: bounded in time, and ended with
// "END" whatever happens inside it.
#pragma once

#include <functional>
#include <string>

#include "update/update_run.h"

namespace app {

// What a run starts from: its services and the installer base URL.
struct RunStart {
    update::UpdateServices services;
    std::string baseUrl;
};

// Gives every request of the run one deadline (plat::kRunTotalTime from now)
// and runs RunUpdate with what start() makes. Nothing escapes: an exception
// out of start() or the run (an allocation failure above all) is caught, and
// kEnd ("END") is logged through log, the services' writer, unless the run
// logged it already.
void RunUpdateGuarded(const vocab::LogWriter& log, const std::function<RunStart()>& start);

}  // namespace app
