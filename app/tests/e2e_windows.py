#!/usr/bin/env python3
"""End-to-end cases only the Windows build has, run like e2e.py (same
arguments, with --probe): the hidden window while a run waits, the .exe's
icon, manifest and strings, and the event log calls as Wine's trace shows them.

  e2e_windows.py --exe PATH --emulator WINE_RUN [--frontend EXE] --probe EXE CASE
"""
import os
import re
import subprocess
import sys

import e2e
from e2e_harness import cases_of, check


def case_window(s):
    check(s.program.windows and s.program.probe, "needs the Windows build and the window probe")
    first = e2e.start_held_run(s)
    try:
        out = subprocess.run(s.program.command(s.program.probe, "TALCHECK_CLASS"),
                             capture_output=True, text=True, timeout=60)
        line = out.stdout.strip()
        print(line)
        check(out.returncode == 0, "no window of class TALCHECK_CLASS")
        fields = dict(f.split("=", 1) for f in line.replace("caption=Checking for Updates",
                                                            "caption=Checking_for_Updates").split())
        check(fields.get("caption") == "Checking_for_Updates", "caption in %r" % line)
        check(fields.get("class") == "TALCHECK_CLASS", "class in %r" % line)
        check(fields.get("visible") == "0", "the window is visible: %r" % line)
        # The system adds WS_CLIPSIBLINGS (0x04000000) to every top-level
        # window; the rest is the style the window was created with.
        check(int(fields.get("style", "0"), 16) & ~0x04000000 == 0x80CA0000, "style in %r" % line)
        check(fields.get("rect") == "785,415,1135,665", "rectangle in %r" % line)
    finally:
        s.server.release.set()
    e2e.finish_held_run(s, first)


def case_resources(s):
    check(s.program.windows, "needs the Windows build")
    exe = s.program.exe

    def wrestool(*args):
        return subprocess.run(["wrestool", *args, exe], capture_output=True, check=True).stdout

    listing = wrestool("-l").decode()
    print(listing)
    # The version block is read back by version_resource_tests; string 1001
    # is in block 1001 / 16 + 1.
    for wanted in ("--type=14 --name=900", "--type=24 --name=1", "--type=6 --name=63"):
        check(wanted in listing, "no resource %s" % wanted)
    ico = os.path.join(s.tmp, "group.ico")
    with open(ico, "wb") as f:
        f.write(wrestool("-x", "--type=14", "--name=900"))
    icons = subprocess.run(["icotool", "-l", ico], capture_output=True, text=True,
                           check=True).stdout
    sizes = sorted(int(w) for w in re.findall(r"--width=(\d+)", icons))
    check(sizes == [16, 32, 48, 128], "icon sizes %s" % sizes)
    check(all(b == "32" for b in re.findall(r"--bit-depth=(\d+)", icons)), icons)
    manifest = wrestool("-x", "--raw", "--type=24", "--name=1").decode()
    check('level="asInvoker"' in manifest and 'uiAccess="false"' in manifest, manifest)
    strings = wrestool("-x", "--raw", "--type=6", "--name=63").decode("utf-16-le", "replace")
    check("Checking for Updates" in strings, "string table %r" % strings)


def case_event_log(s):
    # e2e.failed_download's run; Wine stores no event log, its trace shows
    # each ReportEvent's string.
    check(s.program.windows, "needs the Windows build")
    trace = os.path.join(s.tmp, "trace.txt")
    with open(trace, "wb") as f:
        e2e.case_failed_download(s, env={"WINEDEBUG": "+eventlog,fixme+advapi"}, stderr=f)
    with open(trace, "rb") as f:
        text = f.read().decode("latin-1")
    check(re.search(r'RegisterEventSource\w*.*L?"TalCheck"', text), "no event source in %s" % text)
    events = re.findall(r':eventlog:ReportEventW L"(.*)"', text)
    check(events == ["DOWLOAD FAILED: 5.10.0023.zip (status 404)", "END COPY: 5.20.0001.zip"],
          "events in the trace:\n%s" % text)


if __name__ == "__main__":
    sys.exit(e2e.main(cases_of(globals())))
