#!/usr/bin/env python3
"""End-to-end cases of the station check, run like e2e.py, natively as root
with a second account, nobody (uid 65534): a root run refuses a station that
nobody may change (one STATION UNSAFE line, no request, exit 0, nothing
changed); a run as nobody updates the same station as ever. Native only:
Wine has no real owners and never runs the program as LocalSystem.

  e2e_station_safety.py --exe PATH [--frontend EXE] CASE
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e  # noqa: E402
from e2e_harness import check  # noqa: E402
from e2e_server import add_packages  # noqa: E402
from e2e_station import expect_tree, package_log  # noqa: E402

NOBODY = 65534


def snapshot(*roots):
    """Every entry below roots as itself: mode, owner, and bytes or link target."""
    found = {}
    for root in roots:
        for folder, names, files in os.walk(root):
            for path in (os.path.join(folder, n) for n in names + files):
                st = os.lstat(path)
                body = (os.readlink(path) if os.path.islink(path) else
                        open(path, "rb").read() if os.path.isfile(path) else None)
                found[path] = (st.st_mode, st.st_uid, st.st_gid, body)
    return found


def refused(s, spoil):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    outside = os.path.join(s.tmp, "outside")
    os.makedirs(outside)
    with open(os.path.join(outside, "keep.txt"), "w") as f:
        f.write("keep")
    line = spoil(s, outside)
    before = snapshot(s.station, s.data, outside)
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.log_messages() == ["START", "STATION UNSAFE: " + line, "END"],
          "log %s" % s.log_messages())
    check(s.server.requests == [], "requests %s" % s.server.requests)
    after = snapshot(s.station, s.data, outside)
    after.pop(os.path.join(s.station, "TalCheckLog.txt"))
    check(after == before, "changed: %s" % sorted(set(after.items()) ^ set(before.items())))


def case_station_ini_of_another_user(s):
    def spoil(s, _):
        os.chown(os.path.join(s.station, "station.ini"), NOBODY, NOBODY)
        return "station.ini (user nobody owns it)"
    refused(s, spoil)


def case_data_directory_writable_by_others(s):
    def spoil(s, _):
        os.chmod(s.data, 0o757)
        return "%s (others may change it)" % s.data
    refused(s, spoil)


def case_install_link_made_by_another_user(s):
    def spoil(s, outside):
        install = os.path.join(s.data, "install")
        os.symlink(outside, install)
        os.lchown(install, NOBODY, NOBODY)
        return "%s (user nobody owns it)" % install
    refused(s, spoil)


def case_ordinary_user_updates_as_before(s):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    os.chmod(s.tmp, 0o755)
    for path in (s.station, s.data, s.runtime, os.path.join(s.station, "station.ini")):
        os.chown(path, NOBODY, NOBODY)
    s.program.prefix = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.log_messages() == ["START"] + package_log("5.10.0023.zip") + ["END"],
          "log %s" % s.log_messages())
    expect_tree(s, ["5.10.0023"])


if __name__ == "__main__":
    e2e.CASES.clear()
    e2e.CASES.update({name[5:]: fn for name, fn in globals().items()
                      if name.startswith("case_")})
    sys.exit(e2e.main())
