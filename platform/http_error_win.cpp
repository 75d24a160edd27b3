#include "platform/http_error.h"

#include <vector>

#include "platform/win.h"

#include <wininet.h>

namespace plat {

std::string ProxyFor(const char*) {
    DWORD size = 0;
    ::InternetQueryOptionA(nullptr, INTERNET_OPTION_PROXY, nullptr, &size);
    if (size < sizeof(INTERNET_PROXY_INFO)) return "";
    std::vector<unsigned char> buffer(size);
    if (!::InternetQueryOptionA(nullptr, INTERNET_OPTION_PROXY, buffer.data(), &size)) return "";
    const auto* info = reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.data());
    if (info->dwAccessType != INTERNET_OPEN_TYPE_PROXY || !info->lpszProxy) return "";
    return reinterpret_cast<const char*>(info->lpszProxy);
}

}  // namespace plat
