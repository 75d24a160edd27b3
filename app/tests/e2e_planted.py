#!/usr/bin/env python3
"""Items users plant for a run as root: nothing but `install` and the program's own files
change, a refused part is named in the log.  e2e_planted.py --exe PATH [--emulator W] CASE"""
import os
import sys

import e2e
from e2e_harness import check
from e2e_server import add_packages
from e2e_station import changed, expect_tree, folder, package_log, tree_state

FIRST = "5.10.0023.zip"
# What the run may change: its own files (the part record too), server, runtime, install.
SKIP = tuple(os.path.join("station", n) for n in ("TalCheckLog.txt", FIRST)) + (
    "server", "runtime", os.path.join("data", "install"))


def write(path, data, mode=0o644, uid=-1):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)
    os.chown(path, uid, -1)


def plant_part(s, held=None, uid=-1, place=None):
    # All but the last byte unless held, and a record of the server's package.
    st = os.stat(os.path.join(s.tree, "Marl Quill", "MarlQuill", "5_1 Installers", FIRST))
    held = st.st_size - 1 if held is None else held
    record = "TalCheck part 1\nurl=http://%s%s%s\nvalidator=\"%x-%x\"\ntotal=%d\nheld=%d\n" % (
        s.server.host, folder("5_1"), FIRST, int(st.st_mtime), st.st_size, st.st_size, held)
    for name, data in ((FIRST, b"u" * held), (FIRST + ".part", record.encode())):
        write(os.path.join(place or s.station, name), data, uid=uid)
        if place:
            os.link(os.path.join(place, name), os.path.join(s.station, name))


def plant_names(s):
    write(os.path.join(s.tmp, "secret", "shadow"), b"root only", 0o640)
    for name in ("..\\secret\\shadow.part", "frontend.exe.part", "station.ini.part", "notes.txt",
                 "notes.txt.part", "TalCheckLog.txt.part"):
        write(os.path.join(s.station, name), b"x")


CASES = {  # case: (plant, the refusal logged)
    "foreign_names": (plant_names, None),
    "foreign_prefix": (lambda s: plant_part(s, uid=65534), "owned by another account"),
    "hard_links": (lambda s: plant_part(s, 100, place=os.path.join(s.tmp, "outside")),
                   "has more than one link"),
}


def run(s, plant, refused):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    plant(s)
    before = tree_state(s.tmp, SKIP)
    code, _ = s.run()
    moved = changed(before, tree_state(s.tmp, SKIP))
    check(code == 0 and not moved, "exit code %d; changed: %s" % (code, moved))
    log = package_log(FIRST)
    log[1:1] = ["PART REFUSED: %s (%s.part: %s)" % (FIRST, FIRST, refused)] if refused else []
    check(s.log_messages() == ["START"] + log + ["END"], "log %s" % s.log_messages())
    check(s.server.ranges == [""] * len(s.server.ranges), "ranges %s" % s.server.ranges)
    expect_tree(s, ["5.10.0023"])


if __name__ == "__main__":
    sys.exit(e2e.main({case: lambda s, row=row: run(s, *row) for case, row in CASES.items()}))
