#!/usr/bin/env python3
"""Windows build: TalCheck.exe loads the DLLs that are not KnownDLLs from
System32 only, never from beside itself. WINEDLLOVERRIDES=version,wininet=n,b
makes Wine prefer such a DLL beside the program over its own, as Windows
does; the importer, which imports both the ordinary way, shows that the
planted ones are then loaded. Wine's user32, unlike Windows', imports
VERSION.dll from System32 itself: once it is loaded, a planted version.dll
is never looked for, so under Wine only the planted wininet.dll shows that
TalCheck.exe's own loads skip its folder."""
import os
import re
import shutil
import subprocess
import sys

import e2e
from e2e_harness import Failure, cases_of, check
from e2e_server import add_packages
from e2e_station import package_log

# The KnownDLLs of Windows 8 to 11: loaded from System32 whatever the search order.
KNOWN_DLLS = {"advapi32", "clbcatq", "combase", "comdlg32", "gdi32", "gdiplus", "imagehlp",
              "imm32", "kernel32", "msctf", "msvcrt", "normaliz", "nsi", "ole32", "oleaut32",
              "psapi", "rpcrt4", "sechost", "setupapi", "shcore", "shell32", "shlwapi", "user32",
              "wldap32", "ws2_32"}
PREFER_BESIDE = {"WINEDLLOVERRIDES": "version,wininet=n,b"}


def loaded(s):
    """The planted DLLs that left their marker, whose markers are removed."""
    markers = {n: os.path.join(s.station, "planted-%s.loaded" % n) for n in ("version", "wininet")}
    found = [n for n, marker in markers.items() if os.path.exists(marker)]
    for n in found:
        os.remove(markers[n])
    return found


def case_planted_dlls(s):
    a = s.args
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    for path in [a.exe, a.importer] + a.planted:
        shutil.copy(path, s.station)
    s.program.exe = os.path.join(s.station, os.path.basename(a.exe))

    importer = s.program.command(os.path.join(s.station, os.path.basename(a.importer)), "x")
    subprocess.run(importer, cwd=s.station, env=dict(s.env(), **PREFER_BESIDE), timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    check(loaded(s) == ["version", "wininet"], "the control did not load the planted DLLs")

    # The run reads frontend.exe's version (VERSION.dll), so 5_1 is asked
    # for, and downloads (WININET.dll).
    try:
        code, _ = s.run(env=PREFER_BESIDE)
    except Failure:
        code = None  # a planted DLL lacks what the program needs: it hangs
    found = loaded(s)
    check(not found, "TalCheck.exe loaded the planted %s" % found)
    want = ["START"] + package_log("5.10.0023.zip") + ["END"]
    check(code == 0 and s.log_messages() == want, "run: %d %s" % (code, s.log_messages()))


def case_import_table(s):
    a = s.args
    out = subprocess.run([a.objdump, "-p", a.exe], capture_output=True, text=True, timeout=60,
                         check=True).stdout
    imported = {n.lower()[:-4] for n in re.findall(r"DLL Name: (\S+)", out)}
    check(imported and imported <= KNOWN_DLLS,
          "imported at start, not KnownDLLs: %s" % sorted(imported - KNOWN_DLLS))
    with open(a.exe, "rb") as f:
        names = f.read()
    for dll in (b"VERSION.dll", b"WININET.dll"):
        check(dll + b"\0" in names, "%s is no longer delay-loaded" % dll.decode())


if __name__ == "__main__":
    sys.exit(e2e.main(cases_of(globals()), ("--planted", {"nargs": 2, "required": True}),
                      ("--importer", {"required": True}), ("--objdump", {"required": True})))
