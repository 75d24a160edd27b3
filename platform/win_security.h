// Windows backends only: what the owner and permission checks share.
#pragma once

#include <string>

#include "platform/scoped_handle.h"
#include "platform/win.h"

#include <sddl.h>

namespace plat {

// Memory the security functions hand out with LocalAlloc.
using ScopedLocal = ScopedHandle<ClosedBy<HLOCAL, &::LocalFree>>;

// The process token's user: a TOKEN_USER in bytes, whose Sid points into it.
struct TokenUserBuffer {
    alignas(TOKEN_USER) char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    PSID Sid() { return reinterpret_cast<TOKEN_USER*>(bytes)->User.Sid; }
};

inline bool ReadTokenUser(TokenUserBuffer& user) {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    ScopedHandle<ClosedBy<HANDLE, &::CloseHandle>> token(raw);
    DWORD size = 0;
    return ::GetTokenInformation(token.get(), TokenUser, user.bytes, sizeof user.bytes, &size);
}

// "S-1-5-18" for a SID; empty when it cannot be written.
inline std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !::ConvertSidToStringSidA(sid, &text)) return "";
    ScopedLocal owned(text);
    return text;
}

}  // namespace plat
