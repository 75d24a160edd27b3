#!/usr/bin/env python3
"""End-to-end tests of the TalCheck program against an installer server on
127.0.0.1 that the test starts itself, natively or through the build tree's
Wine wrapper (--emulator). Each CASE gets a fresh station and server tree.

  e2e.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] [--probe EXE] CASE
"""
import os
import subprocess
import sys
import time

from e2e_harness import RUN_TIMEOUT, Failure, cases_of, check, run_case
from e2e_server import add_packages
from e2e_station import (Program, Scenario, expect_no_downloads_left, expect_tree, folder,
                         no_program_left, package_log, program_arguments)

# The version rules, probing limits, odd station files and hostile
# downloads are rows of update_run_test and bounded_run_test; here one run
# per outcome against a real server and station.


def case_worked_example(s):
    add_packages(s.tree, "5_1", ["5.10.0019", "5.10.0021", "5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.station_files()
    code, _ = s.run(args=["/?", "--version", "5.90.0001"])  # arguments change nothing
    check(code == 0, "exit code %d" % code)
    want = ["START"] + package_log("5.10.0023.zip") + package_log("5.20.0001.zip") + ["END"]
    got = s.log_messages()
    check(got == want, "log %s" % got)
    want_requests = [folder("5_1"), folder("5_2"), folder("5_3"),
                     folder("5_1") + "5.10.0023.zip", folder("5_2") + "5.20.0001.zip"]
    check(s.server.requests == want_requests, "requests %s" % s.server.requests)
    expect_tree(s, ["5.10.0023", "5.20.0001"])
    expect_no_downloads_left(s)


def case_stale_package(s):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    stale = os.path.join(s.station, "5.10.0023.zip")
    with open(stale, "w") as f:
        f.write("stale")
    # A second name for the stale file: deleting the file keeps this one's
    # content, overwriting it in place would change it.
    witness = os.path.join(s.tmp, "witness")
    os.link(stale, witness)
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    with open(witness) as f:
        check(f.read() == "stale", "the stale package was overwritten, not deleted")
    expect_tree(s, ["5.10.0023"])
    expect_no_downloads_left(s)


def case_failed_download(s, **run_options):
    # A listed package that cannot be fetched is named with its status and
    # not installed; the other line goes on as usual.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.server.missing.add("5.10.0023.zip")
    s.station_files()
    code, _ = s.run(**run_options)
    check(code == 0, "exit code %d" % code)
    want = (["START", "START DOWLOAD: 5.10.0023.zip", "END DOWLOAD: 5.10.0023.zip",
             "DOWLOAD FAILED: 5.10.0023.zip (status 404)"] + package_log("5.20.0001.zip") +
            ["END"])
    check(s.log_messages() == want, "log %s" % s.log_messages())
    expect_tree(s, ["5.20.0001"])


def case_catch_all(s):
    add_packages(s.tree, "5_1", ["5.10.0021"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.server.unknown = "catch-all"
    s.station_files()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    listings = [r for r in s.server.requests if r.endswith("/")]
    check(listings == [folder(x) for x in ("5_1", "5_2", "5_3", "5_4")],
          "requests %s" % s.server.requests)
    check(s.log_messages() == ["START"] + package_log("5.10.0021.zip") +
          package_log("5.20.0001.zip") + ["END"], "log %s" % s.log_messages())


def start_held_run(s):
    """Starts a copy whose run waits on the installed line's listing."""
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    s.server.hold_fragment = "5_1%20Installers/"
    first = s.program.start(s.station, s.env())
    check(s.server.held.wait(60), "the first copy never asked for its listing")
    return first


def finish_held_run(s, first):
    s.server.release.set()
    code = first.wait(RUN_TIMEOUT)
    check(code == 0, "first copy exit code %d" % code)
    check(s.log_messages() == ["START"] + package_log("5.10.0023.zip") + ["END"],
          "first copy's log %s" % s.log_messages())
    expect_tree(s, ["5.10.0023"])


def case_single_instance(s):
    first = start_held_run(s)
    try:
        log_before = s.log()
        second = s.program.start(s.station, s.env())
        try:
            code = second.wait(30)
        except subprocess.TimeoutExpired:
            second.kill()
            raise Failure("the second copy did not end while the first one runs")
        check(code == 0, "second copy exit code %d" % code)
        check(s.log() == log_before, "the second copy wrote the log")
        check(len(s.server.requests) == 1, "the second copy talked to the server")
    finally:
        s.server.release.set()
    finish_held_run(s, first)
    # A start after the first copy has gone runs normally.
    code, _ = s.run()
    check(code == 0, "third copy exit code %d" % code)
    check(s.log_messages()[0] == "START", "third copy wrote no log")


def main(cases, *options, keys=False):
    """Runs the case the command line names on a scenario that carries the
    parsed arguments (s.args), then checks that no copy of the program is
    left and, for a build without keys, that no signature was asked for.
    options: (name, add_argument's keywords) of the script's own arguments."""
    parser = program_arguments()
    for name, keywords in options:
        parser.add_argument(name, **keywords)
    parser.add_argument("case", choices=sorted(cases))
    args = parser.parse_args()
    scenario = Scenario(Program(args))
    scenario.args = args

    def body():
        cases[args.case](scenario)
        asked = [r for r in scenario.server.requests if "signatures/" in r]
        check(keys or not asked, "signature requests without keys: %s" % asked)
        time.sleep(0.2)
        no_program_left(scenario)
    return run_case(args.case, scenario, body)


if __name__ == "__main__":
    sys.exit(main(cases_of(globals())))
