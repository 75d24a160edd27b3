#!/usr/bin/env python3
"""End-to-end tests of what a station's users may plant in the working
directory of a run as root (SYSTEM under Wine): names that look like kept
parts, and kept parts the program did not make. Nothing outside `install`
and the program's own files may change, and a refused part is named in the
run log.

  e2e_planted.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] CASE
"""
import os
import sys

import e2e_harness
import e2e_station
from e2e_harness import check
from e2e_server import add_packages
from e2e_station import expect_tree, folder, package_log

FIRST = "5.10.0023.zip"
OWN = {"TalCheckLog.txt", FIRST, FIRST + ".part"}  # the program's own names in the station


def write(path, data, mode=0o600, uid=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)
    if uid is not None:
        os.chown(path, uid, -1)


def snapshot(s):
    """Every file of the case but the server's, the install and the program's own."""
    found = {}
    for dirpath, _, names in os.walk(s.tmp):
        for n in names:
            path = os.path.join(dirpath, n)
            rel = os.path.relpath(path, s.tmp)
            if rel.split(os.sep)[0] in ("server", "runtime") or rel.startswith(
                    os.path.join("data", "install")) or rel in [
                    os.path.join("station", o) for o in OWN]:
                continue
            st = os.lstat(path)
            with open(path, "rb") as f:
                found[rel] = (f.read(), st.st_mode, st.st_uid)
    return found


def planted_part(s, held, uid=None, link_to=None):
    """A prefix and a record naming the server's package and validator."""
    st = os.stat(s.package)
    record = "TalCheck part 1\nurl=http://%s%s%s\nvalidator=\"%x-%x\"\ntotal=%d\nheld=%d\n" % (
        s.server.host, folder("5_1"), FIRST, int(st.st_mtime), st.st_size, st.st_size, held)
    for name, data in ((FIRST, b"PK\x03\x04" + b"u" * (held - 4)), (FIRST + ".part",
                                                                    record.encode())):
        target = os.path.join(link_to or s.station, name)
        write(target, data, 0o644, uid)
        if link_to:
            os.link(target, os.path.join(s.station, name))


def case_foreign_names(s):
    write(os.path.join(s.tmp, "secret", "shadow"), b"root only", 0o640)
    os.chmod(os.path.join(s.tmp, "secret"), 0o700)
    for name in ("..\\secret\\shadow.part", "frontend.exe.part", "station.ini.part", "notes.txt",
                 "notes.txt.part", "TalCheckLog.txt.part"):
        write(os.path.join(s.station, name), b"x")
    return None


def case_foreign_prefix(s):
    check(os.geteuid() == 0, "needs root to plant files of another uid")
    planted_part(s, os.stat(s.package).st_size - 1, uid=65534)
    return "owned by another account"


def case_hard_links(s):
    planted_part(s, 100, link_to=os.path.join(s.tmp, "outside"))
    return "has more than one link"


CASES = {
    "foreign_names": case_foreign_names,
    "foreign_prefix": case_foreign_prefix,
    "hard_links": case_hard_links,
}


def run(s, plant):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.package = os.path.join(s.tree, "Marl Quill", "MarlQuill", "5_1 Installers", FIRST)
    s.station_files()
    refused = plant(s)
    before = snapshot(s)
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    log = package_log(FIRST)
    if refused:
        log.insert(1, "PART REFUSED: %s (%s.part: %s)" % (FIRST, FIRST, refused))
    after = snapshot(s)
    changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))
    check(not changed, "changed outside the program's own files: %s" % changed)
    check(s.log_messages() == ["START"] + log + ["END"], "log %s" % s.log_messages())
    check(s.server.ranges == [""] * len(s.server.ranges), "ranges %s" % s.server.ranges)
    expect_tree(s, ["5.10.0023"])


def main():
    parser = e2e_station.program_arguments()
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    scenario = e2e_station.Scenario(e2e_station.Program(args))
    return e2e_harness.run_case("planted " + args.case, scenario,
                                lambda: run(scenario, CASES[args.case]))


if __name__ == "__main__":
    sys.exit(main())
