#include "platform/dll_search.h"

namespace plat {

bool RestrictDllSearch() { return true; }

}  // namespace plat
