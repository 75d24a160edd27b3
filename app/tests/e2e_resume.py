#!/usr/bin/env python3
"""End-to-end tests of resuming a cut package download at the next run.

  e2e_resume.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] CASE
"""
import os
import random
import sys
import time

import e2e
import e2e_harness
import e2e_server
import e2e_station
from e2e_harness import check
from e2e_station import expect_tree, package_log

FIRST = "5.10.0023.zip"
LINE = os.path.join("Marl Quill", "MarlQuill", "5_1 Installers")  # below the server tree


def killed_run(s):
    """Serves 5.10.0023.zip with an incompressible item, so that a part of
    the package is a part of its file, and kills a run once the server has
    sent 300000 bytes of it; returns the package's files."""
    files = e2e_server.package_files("5.10.0023")
    files["bin/data-5.10.0023.bin"] = random.Random(23).randbytes(600000).hex()
    e2e_server.make_package(os.path.join(s.tree, LINE, FIRST), files)
    s.station_files()
    s.server.stall_after[FIRST] = 300000
    proc = s.program.start(s.station, s.env())
    try:
        check(s.server.held.wait(e2e_harness.RUN_TIMEOUT), "package never asked for")
        time.sleep(0.5)  # the bytes reach the file
    finally:
        proc.kill()
        proc.wait(e2e_harness.RUN_TIMEOUT)
    del s.server.stall_after[FIRST]
    s.server.release.set()
    e2e_station.no_program_left(s)
    return files


def case_resume_after_kill(s):
    files = killed_run(s)
    check(os.path.exists(os.path.join(s.station, FIRST + ".part")), "no part kept")
    s.server.ranges.clear()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.server.ranges[-1].startswith("bytes="), "ranges asked: %s" % s.server.ranges)
    start = int(s.server.ranges[-1][6:-1])
    # The record names only bytes flushed, at doubling distances: at least half.
    check(start >= 300000 // 2, "resumed from byte %d" % start)
    log = s.log_messages()
    want = ["START"] + package_log(FIRST)[:1] + ["DOWLOAD RESUMED: %s (from byte %d)" % (
        FIRST, start)] + package_log(FIRST)[1:] + ["END"]
    check(log == want, "log %s" % log)
    got = s.installed()
    check(got == files, "installed %s" % sorted(got))
    e2e_station.expect_no_downloads_left(s)
    check(not os.path.exists(os.path.join(s.station, FIRST + ".part")), "record left")


def case_part_no_longer_chosen(s):
    killed_run(s)
    # The package is withdrawn; the next line's package is chosen instead.
    os.remove(os.path.join(s.tree, LINE, FIRST))
    e2e_server.add_packages(s.tree, "5_2", ["5.20.0001"])
    s.server.ranges.clear()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.server.ranges == [""] * len(s.server.ranges), "ranges %s" % s.server.ranges)
    left = sorted(n for n in os.listdir(s.station) if n.startswith("5."))
    check(left == [], "files left: %s" % left)
    expect_tree(s, ["5.20.0001"])


if __name__ == "__main__":
    sys.exit(e2e.main(e2e_harness.cases_of(globals())))
