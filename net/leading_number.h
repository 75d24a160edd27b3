// Reads the number at the start of a header value as atol/atoi do (leading
// blanks, an optional sign, then decimal digits up to the first other
// character; no digits gives 0), but saturates instead of overflowing.
#pragma once

namespace net {

long long ParseLeadingNumber(const char* text);

}  // namespace net
