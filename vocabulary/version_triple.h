// A client version as three numbers: the installed version, a package's
// version, the line a choice starts from. 5.1.0 unless told otherwise.
#pragma once

#include <cstdint>

namespace vocab {

struct VersionTriple {
    int32_t major = 5;
    int32_t minor = 1;
    int32_t build = 0;
};

}  // namespace vocab
