#!/usr/bin/env python3
"""The station check as root with a second account, nobody; native only, as
Wine has no real owners. Arguments as e2e.py's."""
import os
import sys

import e2e
from e2e_harness import check
from e2e_server import add_packages
from e2e_station import changed, expect_one_update, tree_state

NOBODY = 65534
SKIP = (os.path.join("station", "TalCheckLog.txt"), "runtime" + os.sep)  # and the instance marker


def link(target, path, owner):
    os.symlink(target, path)
    os.lchown(path, owner, owner)
    return path


def station_ini_of_nobody(s):  # each spoil returns what the line names
    os.chown(os.path.join(s.station, "station.ini"), NOBODY, NOBODY)
    return "station.ini (user nobody owns it)"


def install_link_made_by_nobody(s):
    return "%s (user nobody owns it)" % link(s.tmp, os.path.join(s.data, "install"), NOBODY)


def install_link_through_nobodys_link(s):
    hop = link(s.tmp, os.path.join(s.tmp, "hop"), NOBODY)
    link("../hop/server", os.path.join(s.data, "install"), 0)
    return "%s (user nobody owns it)" % hop


# A folder others may write is a row of path_safety_test (OthersWritable).
SPOILS = [station_ini_of_nobody, install_link_made_by_nobody, install_link_through_nobodys_link]


def refused(s, spoil):
    """One STATION UNSAFE line, no request, exit 0, nothing changed."""
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    line = spoil(s)
    before = tree_state(s.tmp, SKIP)
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    check(s.log_messages() == ["START", "STATION UNSAFE: " + line, "END"],
          "log %s" % s.log_messages())
    check(s.server.requests == [], "requests %s" % s.server.requests)
    moved = changed(before, tree_state(s.tmp, SKIP))
    check(not moved, "changed: %s" % moved)


def case_ordinary_user_updates_as_before(s):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    os.chmod(s.tmp, 0o755)
    for path in (s.station, s.data, s.runtime, os.path.join(s.station, "station.ini")):
        os.chown(path, NOBODY, NOBODY)
    s.program.prefix = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
    code, _ = s.run()
    expect_one_update(s, code)


if __name__ == "__main__":
    cases = {fn.__name__: lambda s, fn=fn: refused(s, fn) for fn in SPOILS}
    cases["ordinary_user_updates_as_before"] = case_ordinary_user_updates_as_before
    sys.exit(e2e.main(cases))
