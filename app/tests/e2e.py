#!/usr/bin/env python3
"""End-to-end tests of the TalCheck program against an installer server on
127.0.0.1 that the test starts itself.

  e2e.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] [--probe EXE] CASE

Runs the native program, or the Windows .exe through the build tree's Wine
wrapper when --emulator is given. Each CASE makes a fresh station directory
(frontend.exe, station.ini), a fresh server tree and checks the exit code,
the run log, the requests the server saw, and the installed tree.
"""
import os
import subprocess
import sys
import time

from e2e_harness import RUN_TIMEOUT, Failure, cases_of, check, run_case
from e2e_server import add_packages
from e2e_station import (Program, Scenario, expect_no_downloads_left, expect_tree, folder,
                         no_program_left, package_log, program_arguments)

# ---------------------------------------------------------------- cases


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


def case_station_version(s):
    # station.ini's FrontendVersion wins over frontend.exe's 5.10.0020.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0004", "5.20.0007"])
    s.station_files(version="5.20.0005")
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.server.listing_requests() == [folder("5_2"), folder("5_3")],
          "requests %s" % s.server.requests)
    check(s.log_messages() == ["START"] + package_log("5.20.0007.zip") + ["END"],
          "log %s" % s.log_messages())
    expect_tree(s, ["5.20.0007"])


def case_next_major(s):
    add_packages(s.tree, "6_0", ["6.00.0002"])
    s.station_files(frontend=False, version="5.90.0001")
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.server.listing_requests() == [folder("5_9"), folder("6_0"), folder("6_1")],
          "requests %s" % s.server.requests)
    expect_tree(s, ["6.00.0002"])


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


def case_missing_folder(s):
    # The installed line's folder answers 404; the next line exists.
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.station_files()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.log_messages() == ["START"] + package_log("5.20.0001.zip") + ["END"],
          "log %s" % s.log_messages())
    expect_tree(s, ["5.20.0001"])


def case_failed_download(s):
    # A listed package that cannot be fetched is named with its status and
    # not installed; the other line goes on as usual.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.server.missing.add("5.10.0023.zip")
    s.station_files()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    want = (["START", "START DOWLOAD: 5.10.0023.zip", "END DOWLOAD: 5.10.0023.zip",
             "DOWLOAD FAILED: 5.10.0023.zip (status 404)"] + package_log("5.20.0001.zip") +
            ["END"])
    check(s.log_messages() == want, "log %s" % s.log_messages())
    expect_tree(s, ["5.20.0001"])


def case_huge_package(s):
    # A package announced at 10 GB is refused before a byte is written; the
    # other line goes on as usual.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.server.announce["5.10.0023.zip"] = "10737418240"
    s.station_files()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    want = (["START", "START DOWLOAD: 5.10.0023.zip", "END DOWLOAD: 5.10.0023.zip",
             "DOWLOAD FAILED: 5.10.0023.zip (size limit: 10737418240 bytes announced)"] +
            package_log("5.20.0001.zip") + ["END"])
    check(s.log_messages() == want, "log %s" % s.log_messages())
    expect_tree(s, ["5.20.0001"])
    expect_no_downloads_left(s)


def case_odd_station_files(s):
    # station.ini a FIFO that no one writes, frontend.exe a link to an endless
    # device: both read as missing, so the run goes on with version 5.1.0.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    os.mkfifo(os.path.join(s.station, "station.ini"))
    os.symlink("/dev/zero", os.path.join(s.station, "frontend.exe"))
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    messages = s.log_messages()
    check(messages[0] == "START" and messages[-1] == "END", "log %s" % messages)
    check(s.server.listing_requests()[0] == folder("5_1"),
          "first folder %s" % s.server.listing_requests())


def case_catch_all(s):
    add_packages(s.tree, "5_1", ["5.10.0021"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.server.unknown = "catch-all"
    s.station_files()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.server.listing_requests() == [folder(x) for x in ("5_1", "5_2", "5_3", "5_4")],
          "requests %s" % s.server.requests)
    check(s.log_messages() == ["START"] + package_log("5.10.0021.zip") +
          package_log("5.20.0001.zip") + ["END"], "log %s" % s.log_messages())


def case_probe_limit(s):
    s.server.unknown = "distinct"
    s.station_files()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    listings = s.server.listing_requests()
    check(len(listings) == 101, "%d listing requests" % len(listings))
    check(listings[-1] == folder("15_1"), "last probe %s" % listings[-1])
    check(s.log_messages() == ["START", "END"], "log %s" % s.log_messages())


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
        started = time.monotonic()
        second = s.program.start(s.station, s.env())
        try:
            code = second.wait(30)
        except subprocess.TimeoutExpired:
            second.kill()
            raise Failure("the second copy did not end while the first one runs")
        seconds = time.monotonic() - started
        check(code == 0, "second copy exit code %d" % code)
        check(s.log() == log_before, "the second copy wrote the log")
        check(len(s.server.requests) == 1, "the second copy talked to the server")
        print("second copy ended after %.2f s" % seconds)
    finally:
        s.server.release.set()
    finish_held_run(s, first)
    # A start after the first copy has gone runs normally.
    code, _ = s.run()
    check(code == 0, "third copy exit code %d" % code)
    check(s.log_messages()[0] == "START", "third copy wrote no log")


def main(cases):
    """Runs the case the command line names, then checks what every case of
    the program without keys must leave."""
    parser = program_arguments()
    parser.add_argument("case", choices=sorted(cases))
    args = parser.parse_args()
    program = Program(args)
    scenario = Scenario(program)

    def body():
        cases[args.case](scenario)
        # This build has no package keys: nothing but packages and listings.
        asked = [r for r in scenario.server.requests if "signatures/" in r]
        check(not asked, "signature requests without keys: %s" % asked)
        time.sleep(0.2)
        no_program_left(scenario)
    return run_case(args.case, scenario, body)


if __name__ == "__main__":
    sys.exit(main(cases_of(globals())))
