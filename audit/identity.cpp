#include "audit/identity.h"

#include <cstdio>
#include <cstdlib>

#include "platform/system.h"
#include "release_version.h"

namespace audit {

std::string Iso8601Local(std::time_t when) {
    std::tm local = *std::localtime(&when);
    std::tm utc = *std::gmtime(&when);
    // utc read back as if it were local time: the difference is the offset.
    utc.tm_isdst = local.tm_isdst;
    long offset = static_cast<long>(std::difftime(when, std::mktime(&utc)));
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', std::labs(offset) / 3600,
                  std::labs(offset) % 3600 / 60);
    return text;
}

Identity CurrentIdentity() {
    Identity identity;
    identity.tool = "talcheck-audit";
    identity.version = TALCHECK_RELEASE_VERSION;
    char name[256] = {};
    if (plat::GetComputerName(name, sizeof name)) identity.computer = name;
    identity.time = Iso8601Local(std::time(nullptr));
    return identity;
}

}  // namespace audit
