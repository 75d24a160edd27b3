#include "platform/profile.h"

#include "platform/win.h"

namespace plat {

std::size_t ReadProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, std::size_t size, const char* fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, static_cast<DWORD>(size),
                                      fileName);
}

}  // namespace plat
