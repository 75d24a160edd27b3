#include "testing/wine.h"

namespace testing_support {

bool RunningUnderWine() { return false; }

}  // namespace testing_support
