#!/usr/bin/env python3
"""End-to-end table of what the run log says about the installer server:
one row per kind of server, each with the log lines it must give (regular
expressions, the whole message). Folder requests that fail for a reason
other than a 404 are named; a missing folder and an up-to-date station give
exactly START and END. Every run exits with 0.

  e2e_run_log.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] ROW
"""
import re
import shutil
import subprocess
import sys

from e2e_harness import check, closed_port, run_case
from e2e_server import SilentServer, add_packages
from e2e_station import Program, Scenario, package_log, program_arguments

# A name that no resolver can answer: its first label is longer than DNS
# allows, so the lookup fails before any query is sent.
UNKNOWN_HOST = "talcheck-" + "x" * 60 + ".invalid"


def failed(line, reason):
    return re.escape("FOLDER FAILED: %s (" % line) + reason + re.escape(")")


def refused(s):
    port = closed_port()
    reason = re.escape("connection refused: 127.0.0.1:%d" % port)
    return "127.0.0.1:%d" % port, [failed("5_1", reason), failed("5_2", reason)]


def unknown_host(s):
    reason = re.escape("unknown host: %s:80" % UNKNOWN_HOST)
    return UNKNOWN_HOST, [failed("5_1", reason), failed("5_2", reason)]


def silent(s):
    server = SilentServer()
    s.cleanups.append(server.stop)
    reason = re.escape("no answer in time: " + server.host)
    return server.host, [failed("5_1", reason), failed("5_2", reason)]


def status_500(s):
    s.server.status["5_1%20"] = 500
    return None, [failed("5_1", "status 500")]


def cut_page(s):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.server.cut.add("5_1%20")
    # What arrived is still read: the package it lists is installed.
    return None, [failed("5_1", r"page cut after \d+ bytes")] + [
        re.escape(line) for line in package_log("5.10.0023.zip")]


def all_404(s):
    return None, []


def up_to_date(s):
    add_packages(s.tree, "5_1", ["5.10.0019", "5.10.0020"])
    return None, []


ROWS = {fn.__name__: fn for fn in (refused, unknown_host, silent, status_500, cut_page, all_404,
                                   up_to_date)}


def isolated(program):
    """Runs the program in a network namespace of its own, where a lookup
    cannot leave the machine even if the resolver tried."""
    if shutil.which("unshare") and subprocess.run(["unshare", "-n", "true"]).returncode == 0:
        program.prefix = ["unshare", "-n"]


def main():
    parser = program_arguments()
    parser.add_argument("row", choices=sorted(ROWS))
    args = parser.parse_args()
    program = Program(args)
    scenario = Scenario(program)
    scenario.cleanups = []

    def body():
        try:
            if args.row == "unknown_host":
                isolated(program)
            host, lines = ROWS[args.row](scenario)
            scenario.station_files()
            code, _ = scenario.run(host=host)
            check(code == 0, "exit code %d" % code)
            got = scenario.log_messages()
            want = ["START"] + lines + ["END"]
            check(len(got) == len(want) and all(re.fullmatch(w, g) for w, g in zip(want, got)),
                  "log %s, expected %s" % (got, want))
        finally:
            for cleanup in scenario.cleanups:
                cleanup()
    return run_case(args.row, scenario, body)


if __name__ == "__main__":
    sys.exit(main())
