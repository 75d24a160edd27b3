// The update run as the program starts it: bounded in time, and ended with
// "END" whatever happens inside it.
#pragma once

#include <functional>
#include <string>

#include "update/update_run.h"

// Gives every request of the run one deadline (plat::kRunTotalTime from now)
// and runs RunUpdate with the base URL that baseUrl() yields. Nothing
// escapes: an exception out of the run (an allocation failure above all)
// is caught, and kEnd ("END") is logged unless the run logged it already.
void RunUpdateGuarded(const update::UpdateServices& services,
                      const std::function<std::string()>& baseUrl);
