// Windows backends only: what the owner and permission checks share.
#pragma once

#include <string>

#include "platform/scoped_handle.h"
#include "platform/win.h"

#include <sddl.h>

namespace plat {

// Memory the security functions hand out with LocalAlloc.
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::LocalFree(h); }
};
using ScopedLocal = ScopedHandle<LocalMemoryTraits>;

// "S-1-5-18" for a SID; empty when it cannot be written.
inline std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !::ConvertSidToStringSidA(sid, &text)) return "";
    ScopedLocal owned(text);
    return text;
}

}  // namespace plat
