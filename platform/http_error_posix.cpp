#include "platform/http_error.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace plat {
namespace {

// The first of the variables that is set and not empty; "" when none is.
std::string Env(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (const char* value = std::getenv(name); value && *value) return value;
    return "";
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The host of "scheme://[user@]host[:port]/...", without brackets or port.
std::string HostOf(const std::string& url) {
    std::size_t begin = url.find("://");
    begin = begin == std::string::npos ? 0 : begin + 3;
    std::size_t end = url.find_first_of("/?#", begin);
    std::string authority = url.substr(begin, end == std::string::npos ? end : end - begin);
    std::size_t at = authority.rfind('@');
    if (at != std::string::npos) authority.erase(0, at + 1);
    if (!authority.empty() && authority[0] == '[') {
        std::size_t close = authority.find(']');
        return authority.substr(1, close == std::string::npos ? close : close - 1);
    }
    return Lower(authority.substr(0, authority.find(':')));
}

// entry names the host itself or a domain above it.
bool Matches(const std::string& host, std::string entry) {
    entry.erase(0, entry.find_first_not_of(" \t"));
    entry.erase(entry.find_last_not_of(" \t") + 1);
    if (!entry.empty() && entry[0] == '.') entry.erase(0, 1);
    entry = Lower(entry);
    if (entry.empty()) return false;
    if (entry == "*" || host == entry) return true;
    if (host.size() <= entry.size()) return false;
    std::size_t at = host.size() - entry.size();
    return host[at - 1] == '.' && host.compare(at, entry.size(), entry) == 0;
}

bool Exempted(const std::string& host, const std::string& noProxy) {
    std::size_t pos = 0;
    while (pos < noProxy.size()) {
        std::size_t end = noProxy.find(',', pos);
        if (end == std::string::npos) end = noProxy.size();
        if (Matches(host, noProxy.substr(pos, end - pos))) return true;
        pos = end + 1;
    }
    return false;
}

}  // namespace

std::string ProxyFor(const char* url) {
    if (!url) return "";
    const std::string text(url);
    const bool https = Lower(text.substr(0, 8)) == "https://";
    std::string proxy = https ? Env({"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
                              : Env({"http_proxy", "all_proxy", "ALL_PROXY"});
    if (proxy.empty()) return "";
    return Exempted(HostOf(text), Env({"no_proxy", "NO_PROXY"})) ? "" : proxy;
}

}  // namespace plat
