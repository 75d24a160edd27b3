#!/usr/bin/env python3
"""End-to-end cases of installs cut short and of what a local user may plant
below the data directory, run like e2e.py (same arguments): the next start
makes the tree whole before any request, even without a server; links below
install are never followed; install directories too long for the staging
folder are refused up front.

  e2e_recovery.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] CASE
"""
import os
import shutil
import sys
import zlib

import e2e
from e2e_harness import cases_of, check, closed_port
from e2e_server import add_packages, package_files
from e2e_station import changed, expect_tree, package_log, tree_state


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def journal(*bodies):
    """A journal as an install writes it: a header naming the number of step
    records, then each record with its length and CRC-32."""
    def record(body):
        checked = "%d %s" % (len(body), body)
        return "%08x %s\n" % (zlib.crc32(checked.encode()), checked)
    steps = [b for b in bodies if b != "C"]
    return record("J 2 %d" % len(steps)) + "".join(record(b) for b in bodies)


def placed(staged, path, text):
    """The record of a placement of text."""
    return "P %s %d %08x 20 %s" % (staged, len(text), zlib.crc32(text.encode()), path)


def outside_tree(s):
    """A folder beside the data directory that links below install lead to."""
    root = os.path.join(s.tmp, "outside")
    write(os.path.join(root, "victim.txt"), "victim")
    write(os.path.join(root, "sub", "deep.txt"), "deep")
    return root


def case_half_installed_without_server(s):
    # What a kill while files were moved into place leaves: one file placed,
    # the other still staged, the old one moved aside.
    install = os.path.join(s.data, "install")
    write(os.path.join(install, "bin", "app.dll"), "new app")
    staging = os.path.join(install, ".talcheck-staging")
    write(os.path.join(staging, "b0"), "old app")
    write(os.path.join(staging, "1"), "new readme")
    write(os.path.join(staging, "journal"),
          journal("B b0 7 0 bin/app.dll", placed("0", "bin/app.dll", "new app"),
                  placed("1", "readme.txt", "new readme")))
    s.station_files()
    code, _ = s.run(host="127.0.0.1:%d" % closed_port())
    check(code == 0, "exit code %d" % code)
    messages = s.log_messages()
    check(messages[:2] == ["START", "RECOVERED: install (rolled back 2 files)"] and
          messages[-1] == "END" and
          all(m.startswith("FOLDER FAILED: ") for m in messages[2:-1]), "log %s" % messages)
    check(s.installed() == {"bin/app.dll": "old app"}, "tree %s" % s.installed())
    # A later run with the server installs as usual and logs nothing more.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.run()
    check(s.log_messages() == ["START"] + package_log("5.10.0023.zip") + ["END"],
          "log %s" % s.log_messages())
    got = s.installed()
    check(got.pop("bin/app.dll") == "old app", "bin/app.dll changed")
    check(got == package_files("5.10.0023"), "tree %s" % sorted(got))


def case_links_below_install(s):
    # A link inside the target the install clears, and a committed leftover
    # whose moved-aside target is a link: both are removed as links.
    outside = outside_tree(s)
    before = tree_state(outside)
    install = os.path.join(s.data, "install")
    os.makedirs(os.path.join(install, "5.10.0023.zip"))
    os.symlink(outside, os.path.join(install, "5.10.0023.zip", "escape"))
    staging = os.path.join(install, ".talcheck-staging")
    write(os.path.join(staging, "journal"), journal("B target - - 5.10.0023.zip", "C"))
    os.symlink(outside, os.path.join(staging, "target"))
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    # Wine can remove a Unix link to a directory neither as a link nor as a
    # directory: there what is left is kept aside, and nothing is followed.
    messages = s.log_messages()
    if s.program.windows and len(messages) == 7:
        check(messages[1].startswith("RECOVERED: install (finished an install; .talcheck-staging "
                                     "not removed (in use?), kept .talcheck-kept-1"),
              "log %s" % messages)
        messages[1] = "RECOVERED: install (finished an install)"
    check(messages == ["START", "RECOVERED: install (finished an install)"] +
          package_log("5.10.0023.zip") + ["END"], "log %s" % messages)
    moved = changed(before, tree_state(outside))
    check(not moved, "outside changed: %s" % moved)
    if s.program.windows:
        # There the install's own folder, with the cleared target and the
        # link in it, keeps its journal too: the next run judges it again.
        shutil.rmtree(os.path.join(install, ".talcheck-staging"), ignore_errors=True)
    expect_tree(s, ["5.10.0023"])


def case_long_install_directories(s):
    # Install directories of 230 to 250 characters: installed with nothing
    # left over, or refused before anything is written.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    installed = refused = 0
    for length in (230, 231, 232, 240, 250):
        base = os.path.join(s.tmp, "d%d" % length)
        name = s.program.native_path(base)
        pad = length - len(name) - len("\\install")
        data = base + "x" * pad
        os.makedirs(data)
        s.data = data
        s.station_files()
        code, _ = s.run()
        check(code == 0, "exit code %d" % code)
        install = os.path.join(data, "install")
        names = os.listdir(install) if os.path.isdir(install) else []
        left = [n for n in names if n.startswith(".talcheck")]
        check(not left, "%d: leftover %s" % (length, left))
        messages = s.log_messages()
        if messages == ["START"] + package_log("5.10.0023.zip") + ["END"]:
            installed += 1
        else:
            refused += 1
            check("COPY FAILED: 5.10.0023.zip (install path longer than 259 characters)"
                  in messages, "%d: log %s" % (length, messages))
            check(names == [], "%d: install %s" % (length, names))
    print("install directories: %d installed, %d refused up front" % (installed, refused))


if __name__ == "__main__":
    sys.exit(e2e.main(cases_of(globals())))
