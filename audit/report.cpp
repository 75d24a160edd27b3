#include "audit/report.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "audit/identity.h"
#include "audit/json_text.h"
#include "platform/printable_text.h"

namespace audit {
namespace {

using Json = nlohmann::ordered_json;

using plat::PrintableText;
using P = std::string;

Json Identified(Json body) {
    const Identity identity = CurrentIdentity();
    Json doc = {{"schemaVersion", kReportSchemaVersion},
                {"tool", identity.tool},
                {"toolVersion", identity.version},
                {"computer", identity.computer},
                {"time", identity.time}};
    for (auto& [key, value] : body.items()) doc[key] = std::move(value);
    return doc;
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", s);
    return text;
}

void PrintChoice(const char* title, const LineChoice& line, std::ostream& out) {
    out << "\n" << title << " " << (line.folder.empty() ? "(no listing)" : line.folder) << ": ";
    out << PrintableText(line.listed.empty() ? "nothing chosen"
                                             : line.listed + " -> " + line.localName)
        << "\n";
    for (const Candidate& c : line.candidates)
        out << "  " << PrintableText(c.name) << "  " << PrintableText(c.verdict) << "\n";
    if (line.candidateCount > line.candidates.size())
        out << "  ... " << line.candidateCount - line.candidates.size()
            << " more candidates, not kept\n";
}

void PrintWarnings(const std::vector<Warning>& warnings, const char* title, std::ostream& out) {
    out << "\n" << title << " (" << warnings.size() << ")\n";
    for (const Warning& w : warnings)
        out << "  [" << w.code << "] " << PrintableText(w.text) << "\n";
}

void PrintPackage(const PackageTest& p, std::ostream& out) {
    out << "  " << PrintableText(p.localName) << ": " << p.bytes << " bytes, " << p.items
        << " items, " << PrintableText(p.signature.empty() ? "" : "signature " + p.signature + ", ")
        << PrintableText(p.passed ? "passed" : "FAILED: " + p.problem) << "\n";
}

void PrintRequest(const FolderRequest& r, std::ostream& out) {
    out << "  " << r.role << "  " << PrintableText(r.url) << "\n    ";
    if (r.reached) {
        out << "status " << r.status << ", " << r.bytes << " bytes, " << Seconds(r.seconds);
    } else {
        out << "no answer after " << Seconds(r.seconds);
    }
    if (!r.failure.empty())
        out << ", FAILED [" << r.failure << "] " << PrintableText(r.failureText);
    if (r.cut) out << ", CUT at the page limit";
    if (!r.readFailure.empty()) out << ", ended early: " << r.readFailure;
    out << ", " << r.nameCount << " names";
    for (const std::string& n : r.names) out << " " << PrintableText(n);
    if (r.nameCount > r.names.size())
        out << " ... " << r.nameCount - r.names.size() << " more, not kept";
    out << "\n";
}

Json PartsJson(const std::vector<net::KeptPart>& parts) {
    Json list = Json::array();
    for (const net::KeptPart& p : parts)
        list.push_back({{"name", p.name},
                        {"held", p.held},
                        {"total", p.record.total},
                        {"validator", p.record.validator},
                        {"url", p.record.url}});
    return list;
}

}  // namespace

// The records' JSON forms. They stand in namespace audit itself, where the
// library looks for a record's to_json, so that a list of records converts
// as it is.
void to_json(Json& j, const Warning& w) { j = {{"code", w.code}, {"text", w.text}}; }

void to_json(Json& j, const Candidate& c) { j = {{"name", c.name}, {"verdict", c.verdict}}; }

void to_json(Json& j, const PackageTest& p) {
    j = {{"name", p.localName},  {"source", p.url},         {"downloaded", p.downloaded},
         {"bytes", p.bytes},     {"items", p.items},        {"passed", p.passed},
         {"problem", p.problem}, {"signature", p.signature}};
}

void to_json(Json& j, const LineChoice& line) {
    j = {{"folder", line.folder},         {"chosen", line.listed},
         {"localName", line.localName},   {"url", line.url},
         {"candidates", line.candidates}, {"candidateCount", line.candidateCount}};
}

void to_json(Json& j, const TreeLine& line) {
    j = {{"folder", line.folder},
         {"line", std::to_string(line.major) + "." + std::to_string(line.minor)},
         {"packages", line.packages}};
}

void to_json(Json& j, const StationFacts& s) {
    j = {{"directory", s.directory},
         {"frontendVersion", s.fileVersion},
         {"hasFrontendVersion", s.hasFrontend},
         {"stationVersion", s.stationVersion},
         {"versionSource", s.versionSource},
         {"installed", VersionText(s.installed)},
         {"dataDirectory", s.dataDirectory},
         {"installDirectory", s.installDirectory},
         {"installExists", s.installExists},
         {"installWritable", s.installWritable},
         {"installIsLink", s.installLink},
         {"dataDirectoryWritable", s.dataDirectoryWritable},
         {"hasStationFile", s.hasStationFile},
         {"parts", PartsJson(s.parts)}};
}

void to_json(Json& j, const FolderRequest& r) {
    j = {{"role", r.role},
         {"folder", r.folder},
         {"url", r.url},
         {"reached", r.reached},
         {"status", r.status},
         {"bytes", r.bytes},
         {"seconds", r.seconds},
         {"cut", r.cut},
         {"readFailure", r.readFailure},
         {"failure", r.failure},
         {"failureText", r.failureText},
         {"proxy", r.proxy},
         {"names", r.names},
         {"nameCount", r.nameCount}};
}

std::string VersionText(const vocab::VersionTriple& v) {
    char text[48] = {};
    std::snprintf(text, sizeof text, "%d.%d0.%04d", v.major, v.minor, v.build);
    return text;
}

const char* ResultName(int exitCode) {
    switch (exitCode) {
        case kExitUpToDate:
            return "up_to_date";
        case kExitUpdateAvailable:
            return "update_available";
        case kExitUnreachable:
            return "unreachable";
        default:
            return "problems";
    }
}

void PrintReport(const Inspection& in, std::ostream& out) {
    const StationFacts& s = in.station;
    out << "Station           " << PrintableText(s.directory) << "\n";
    out << "Installed version " << VersionText(s.installed) << " from " << s.versionSource
        << PrintableText(
               " (frontend.exe: " + (s.hasFrontend ? "'" + s.fileVersion + "'" : P("no version")) +
               ", station.ini FrontendVersion: '" + s.stationVersion + "')")
        << "\n";
    out << "Data directory    '" << PrintableText(s.dataDirectory) << "'\n";
    out << "Install directory " << PrintableText(s.installDirectory) << ": "
        << (s.installLink     ? "a link"
            : s.installExists ? "exists"
                              : "missing")
        << ", " << (s.installWritable ? "writable" : "not writable") << "\n";
    for (const net::KeptPart& p : s.parts)
        out << "Kept part         " << PrintableText(p.name) << ": " << p.held << " of "
            << p.record.total << " bytes, validator " << PrintableText(p.record.validator) << "\n";
    out << "Installer host    " << PrintableText(in.host) << "\n";
    out << "Base URL          " << PrintableText(in.baseUrl) << "\n";
    out << "\nFolder requests\n";
    for (const FolderRequest& r : in.requests) PrintRequest(r, out);
    out << "Probing stops at: " << PrintableText(in.probeStop.empty() ? "-" : in.probeStop) << "\n";
    PrintChoice("Current line", in.current, out);
    PrintChoice("Newest line", in.newest, out);
    if (!in.packages.empty()) {
        out << "\nPackages downloaded and tested\n";
        for (const PackageTest& p : in.packages) PrintPackage(p, out);
    }
    PrintWarnings(in.warnings, "Warnings", out);
    int code = ExitCodeFor(in);
    out << "\nResult: " << ResultName(code) << " (exit code " << code << ")\n";
}

std::string ReportJson(const Inspection& in) {
    const int code = ExitCodeFor(in);
    const Json doc = Identified({
        {"station", in.station},
        {"host", in.host},
        {"baseUrl", in.baseUrl},
        {"requests", in.requests},
        {"probeStop", in.probeStop},
        {"current", in.current},
        {"newest", in.newest},
        {"packages", in.packages},
        {"warnings", in.warnings},
        {"result", ResultName(code)},
        {"exitCode", code},
    });
    // Names come from server pages; invalid UTF-8 is replaced, not fatal.
    return JsonText(doc);
}

void PrintTreeReport(const TreeReport& report, std::ostream& out) {
    out << "Installer tree    " << PrintableText(report.root) << "\n\nVersion lines\n";
    for (const TreeLine& line : report.lines) {
        out << "  " << PrintableText(line.folder) << ": " << line.packages.size() << " packages\n";
    }
    out << "\nPackages tested\n";
    for (const PackageTest& p : report.packages) PrintPackage(p, out);
    PrintWarnings(report.problems, "Problems", out);
    out << "\nResult: "
        << (report.problems.empty() ? "ready to publish (exit code 0)" : "problems (exit code 2)")
        << "\n";
}

std::string TreeReportJson(const TreeReport& report) {
    Json doc = Identified({{"root", report.root},
                           {"lines", report.lines},
                           {"packages", report.packages},
                           {"problems", report.problems},
                           {"result", report.problems.empty() ? "ready" : "problems"},
                           {"exitCode", report.problems.empty() ? kExitUpToDate : kExitProblems}});
    return JsonText(doc);
}

}  // namespace audit
