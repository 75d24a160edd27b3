// talcheck-audit: shows what TalCheck would do on a station and why, or
// checks an installer tree before it is published. Console program on both
// platforms; see the README for options and exit codes.
#include <CLI/CLI.hpp>
#include <chrono>
#include <iostream>

#include "audit/audit_station.h"
#include "audit/report.h"
#include "audit/tree_check.h"
#include "platform/dll_search.h"
#include "platform/http_limits.h"
#include "platform/path_buffer.h"
#include "platform/system.h"
#include "release_version.h"
#include "signature/package_keys.h"
#include "update/installer_url.h"

namespace {

struct Arguments {
    audit::StationOptions station;
    std::string tree;
    bool json = false;
    double timeoutSeconds = 0;  // 0: the program's own time-outs
};

int Run(const Arguments& args) {
    // Every request ends within the time-out: to connect, between two bytes,
    // and in all.
    if (args.timeoutSeconds > 0) {
        plat::SetHttpRequestTimeout(
            std::chrono::milliseconds(static_cast<long long>(args.timeoutSeconds * 1000)));
    }
    if (!args.tree.empty()) {
        audit::TreeReport report = audit::CheckTree(args.tree, sig::CompiledPackageKeys());
        if (args.json) {
            std::cout << audit::TreeReportJson(report) << "\n";
        } else {
            audit::PrintTreeReport(report, std::cout);
        }
        return report.problems.empty() ? audit::kExitUpToDate : audit::kExitProblems;
    }
    audit::Inspection inspection = audit::InspectStation(args.station);
    if (args.json) {
        std::cout << audit::ReportJson(inspection) << "\n";
    } else {
        audit::PrintReport(inspection, std::cout);
    }
    return audit::ExitCodeFor(inspection);
}

// The station's defaults: the current directory, and the host and keys a
// run there would use.
Arguments DefaultArguments() {
    Arguments args;
    char cwd[plat::kPathSize] = {};
    plat::GetWorkingDirectory(cwd, sizeof cwd);
    args.station.directory = cwd;
    args.station.host = update::InstallerHostSetting();
    args.station.packageKeys = sig::CompiledPackageKeys();
    return args;
}

void AddOptions(CLI::App& app, Arguments& args) {
    app.add_option("-s,--station", args.station.directory,
                   "station directory (default: the current directory)")
        ->check(CLI::ExistingDirectory);
    app.add_option("--host", args.station.host,
                   "installer host[:port] (default: TALCHECK_INSTALLER_HOST or the built-in one)");
    app.add_flag("-d,--download", args.station.download,
                 "also download the chosen packages into a temporary directory and test them");
    app.add_option("--lookahead", args.station.lookahead,
                   "version lines to look at beyond where probing stops")
        ->check(CLI::Range(0, 20));
    app.add_option("--tree", args.tree, "check this local installer tree instead of a station");
    app.add_flag("--json", args.json, "print one JSON document instead of the report");
    app.add_option("--timeout", args.timeoutSeconds,
                   "seconds each request may take to connect, between bytes and in all "
                   "(default: the program's own limits)")
        ->check(CLI::Range(0.1, 3600.0));
    app.set_version_flag("--version", TALCHECK_RELEASE_VERSION, "print the release version");
}

}  // namespace

int main(int argc, char** argv) {
    // An administrator may run the audit from a folder that users can write.
    plat::RestrictDllSearch();
    CLI::App app{
        "Shows what TalCheck would do on a station, and why, without installing anything.\n"
        "Exit codes: 0 up to date, 1 update available, 2 problems found, 3 server "
        "unreachable, 64 bad command line. With --tree: 0 ready, 2 problems found.",
        "talcheck-audit"};
    Arguments args = DefaultArguments();
    AddOptions(app, args);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : audit::kExitUsage;
    }
    try {
        return Run(args);
    } catch (const std::exception& e) {
        std::cerr << "talcheck-audit: " << e.what() << "\n";
        return audit::kExitProblems;
    }
}
