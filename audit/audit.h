// What the inspection program finds out about one station: the facts a run
// starts from, every folder request, the two choices and why every other
// candidate lost, warnings about the server's pages, and (on request) the
// test of each chosen package.
//
// The inspection holds no page's text beyond the request that fetched it:
// of each page it keeps bounded facts. A page is read as the run reads it,
// up to net::kMaxPageBytes, with names of up to net::kMaxListedName bytes;
// of those, a request keeps at most kMaxNamesKept names, a page gives at
// most kMaxNameWarnings warnings about single names (and one more that
// counts the rest), and a line's choice keeps at most kMaxCandidatesKept
// candidates, the chosen one always among them. The counts say when a list
// was cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/part_file.h"
#include "update/package_choice.h"

namespace audit {

constexpr std::size_t kMaxNamesKept = 100;
constexpr std::size_t kMaxNameWarnings = 20;
constexpr std::size_t kMaxCandidatesKept = 100;

struct Warning {
    std::string code;  // stable key for collection: "upper_case_anchor", "gap", ...
    std::string text;  // one readable sentence
};

struct StationFacts {
    std::string directory;        // the station directory, as the run would see it
    bool hasFrontend = false;     // frontend.exe has a version resource
    std::string fileVersion;      // its FileVersion text, empty without
    std::string stationVersion;   // station.ini's FrontendVersion, empty without
    bool hasStationFile = false;  // station.ini exists
    std::string versionSource;    // "station.ini", "frontend.exe" or "default"
    vocab::VersionTriple installed;
    std::string dataDirectory;     // DBDirectory as written
    std::string installDirectory;  // dataDirectory + "\install", empty when it does not fit
    bool installExists = false;
    bool installWritable = false;
    bool installLink = false;            // install is a link, which the check does not look through
    bool dataDirectoryWritable = false;  // install can be made there when it is missing
    std::vector<net::KeptPart> parts;    // cut downloads kept for the next run
};

struct FolderRequest {
    std::string role;  // "current", "probe" (the run's) or "lookahead" (beyond the run's)
    std::string folder;
    std::string url;
    bool reached = false;  // the server answered
    int status = 0;        // 0 when not reached or unreadable
    std::uint64_t bytes = 0;
    double seconds = 0;
    bool cut = false;         // the page goes on past the run's page limit
    std::string readFailure;  // why the body ended early ("broken", ...), empty when whole
    std::string failure;      // the request's failure class (net::RequestFailureCode), "" when fine
    std::string failureText;  // the failure in words, as the run log gives it
    std::string proxy;        // the proxy the request went through, empty when direct
    std::vector<std::string> names;  // the first kMaxNamesKept names the run's parser yields
    std::size_t nameCount = 0;       // all of them
};

struct Candidate {
    std::string name;
    std::string verdict;  // "chosen", or why not
};

struct LineChoice {
    std::string folder;     // empty when the line has no listing
    std::string listed;     // the chosen name as listed, empty when none
    std::string localName;  // the download's file name ("5.10.0023.zip")
    std::string url;
    std::vector<Candidate> candidates;  // at most kMaxCandidatesKept, in listing order
    std::size_t candidateCount = 0;     // the entries of the listing
};

struct PackageTest {
    std::string localName;
    std::string url;
    bool downloaded = false;  // the whole body arrived
    std::uint64_t bytes = 0;
    int items = 0;
    bool passed = false;
    std::string problem;    // empty when passed
    std::string signature;  // "verified", empty when no keys are compiled in, else the refusal
};

struct Inspection {
    StationFacts station;
    std::string host;
    std::string baseUrl;
    std::vector<FolderRequest> requests;
    std::string probeStop;  // why the run's probing ends
    LineChoice current;
    LineChoice newest;
    std::vector<PackageTest> packages;
    std::vector<Warning> warnings;
    bool unreachable = false;  // not one folder request was answered
    bool silenced = false;     // a request went unanswered: no more were made
};

// Exit codes of the program.
constexpr int kExitUpToDate = 0;
constexpr int kExitUpdateAvailable = 1;
constexpr int kExitProblems = 2;
constexpr int kExitUnreachable = 3;
constexpr int kExitUsage = 64;

// Unreachable wins, then problems (warnings or a failed package test), then
// an update; else up to date.
int ExitCodeFor(const Inspection& inspection);

}  // namespace audit
