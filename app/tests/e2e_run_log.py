#!/usr/bin/env python3
"""One table of installer servers and the run log each must give (regular
expressions for the whole messages between START and END); every run exits
with 0. e2e_run_log.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] ROW
"""
import re
import subprocess
import sys

import e2e
from e2e_harness import check, closed_port
from e2e_server import SilentServer, add_packages
from e2e_station import package_log

# Its first label is longer than DNS allows: the lookup fails before any query.
UNKNOWN_HOST = "talcheck-" + "x" * 60 + ".invalid"


def both_lines(reason):
    return [re.escape("FOLDER FAILED: %s (" % line) + reason + r"\)" for line in ("5_1", "5_2")]


def refused(s):
    host = "127.0.0.1:%d" % closed_port()
    return host, both_lines(re.escape("connection refused: " + host))


def unknown_host(s):
    # A network namespace of its own, so a lookup could not leave the machine anyway.
    if subprocess.run(["unshare", "-n", "true"]).returncode == 0:
        s.program.prefix = ["unshare", "-n"]
    return UNKNOWN_HOST, both_lines(re.escape("unknown host: %s:80" % UNKNOWN_HOST))


def silent(s):
    server = SilentServer()
    s.cleanups.append(server.stop)
    return server.host, both_lines(re.escape("no answer in time: " + server.host))


def status_500(s):
    s.server.status["5_1%20"] = 500
    return None, [r"FOLDER FAILED: 5_1 \(status 500\)"]


def cut_page(s):
    # What arrived is still read: the package it lists is installed.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.server.cut.add("5_1%20")
    return None, [r"FOLDER FAILED: 5_1 \(page cut after \d+ bytes\)"] + [
        re.escape(line) for line in package_log("5.10.0023.zip")]


def all_404(s):
    return None, []


def up_to_date(s):
    add_packages(s.tree, "5_1", ["5.10.0019", "5.10.0020"])
    return None, []


def run(s, row):
    host, lines = row(s)
    s.station_files()
    code, _ = s.run(host=host)
    got, want = s.log_messages(), ["START"] + lines + ["END"]
    check(code == 0, "exit code %d" % code)
    check(len(got) == len(want) and all(re.fullmatch(w, g) for w, g in zip(want, got)),
          "log %s, expected %s" % (got, want))


if __name__ == "__main__":
    sys.exit(e2e.main({row.__name__: lambda s, row=row: run(s, row) for row in (
        refused, unknown_host, silent, status_500, cut_page, all_404, up_to_date)}))
