#include "platform/path_separator.h"

namespace plat {

const char kPathSeparator[] = "\\";

}  // namespace plat
