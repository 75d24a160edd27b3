// Why a request got no usable answer, as far as the platform can tell, and
// which proxy a request goes through.
#pragma once

#include <string>

namespace plat {

enum class HttpError {
    kNone,
    kRefused,      // nothing listens at the server's address, or it turned the connection away
    kUnknownHost,  // the server's name does not resolve
    kTimedOut,     // no connection, or no answer, within the time allowed
    kCertificate,  // the server's certificate is not trusted for its name
    kTls,          // the TLS handshake failed for another reason
    kProxy,        // the proxy named by ProxyFor could not be reached or resolved
    kOther,        // any other failure: a connection closed without an answer, a bad URL
};

// The proxy that a request to url goes through, as "host:port" or the URL
// the setting gives; empty when it goes direct.
//   POSIX: the environment variables as libcurl reads them: http_proxy (lower
//   case only) for http, https_proxy or HTTPS_PROXY for https, then
//   all_proxy or ALL_PROXY; no_proxy or NO_PROXY ("*", or host names that
//   match the host or a domain above it) exempts a host.
//   Windows: the system's preconfigured proxy (INTERNET_OPTION_PROXY), when
//   its access type is a named proxy; its bypass list is not looked at.
std::string ProxyFor(const char* url);

}  // namespace plat
