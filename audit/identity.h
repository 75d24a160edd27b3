// What tells one report from another: the program, the computer and the time.
#pragma once

#include <ctime>
#include <string>

namespace audit {

// The JSON documents' schema; raised whenever a field changes meaning or goes.
constexpr int kReportSchemaVersion = 2;

struct Identity {
    std::string tool;      // "talcheck-audit"
    std::string version;   // the release version, TALCHECK_RELEASE_VERSION
    std::string computer;  // the computer's name, empty when unknown
    std::string time;      // local time, ISO 8601 with its offset: 2026-12-07T19:05:01+01:00
};

Identity CurrentIdentity();

// when as local time in the form above.
std::string Iso8601Local(std::time_t when);

}  // namespace audit
