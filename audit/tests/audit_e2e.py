#!/usr/bin/env python3
"""End-to-end cases of talcheck-audit's report against an installer server on
127.0.0.1 that the test starts itself: up to date, an update on both lines
downloaded and checked, an unreachable server, a whole tree checked, and the
command line's own answers. Arguments as audit_harness.py says.
"""
import os
import re
import shutil
import subprocess
import sys

from audit_harness import add_packages, codes, main, verdicts
from e2e_harness import RUN_TIMEOUT, cases_of, check, closed_port, program_path


def case_up_to_date(s):
    add_packages(s.tree, "5_1", ["5.10.0019", "5.10.0020"])
    code, text, doc = s.run()
    check(code == 0 and doc["result"] == "up_to_date", "exit %d, %s" % (code, doc["result"]))
    st = doc["station"]
    check(st["installed"] == "5.10.0020" and st["versionSource"] == "frontend.exe" and
          st["installExists"] and st["installWritable"], "station %s" % st)
    check([r["role"] for r in doc["requests"]][:2] == ["current", "probe"], doc["requests"])
    check(doc["requests"][0]["status"] == 200 and doc["requests"][0]["bytes"] > 0,
          "first request %s" % doc["requests"][0])
    check(doc["current"]["chosen"] == "" and doc["warnings"] == [], "doc %s" % doc)
    check(verdicts(doc, "current")["5.10.0020.zip"] ==
          "build 20 is not above the installed build 20", verdicts(doc, "current"))
    check(doc["schemaVersion"] == 2 and doc["tool"] == "talcheck-audit" and doc["toolVersion"],
          "identity %s" % {k: doc[k] for k in list(doc)[:5]})
    check(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d", doc["time"]), doc["time"])
    check(list(doc)[:5] == ["schemaVersion", "tool", "toolVersion", "computer", "time"], list(doc))
    check("Installed version 5.10.0020 from frontend.exe" in text and
          "Result: up_to_date (exit code 0)" in text, text)


def case_update_both(s):
    add_packages(s.tree, "5_1", ["5.10.0019", "5.10.0021", "5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    code, text, doc = s.run("--download")
    check(code == 1 and doc["result"] == "update_available", "exit %d: %s" % (code, text))
    check(doc["current"]["chosen"] == "5.10.0023.zip", "current %s" % doc["current"])
    check(doc["newest"]["chosen"] == "5.20.0001.zip" and
          doc["newest"]["folder"] == "/5_2%20Installers/", "newest %s" % doc["newest"])
    check(doc["probeStop"].startswith("/5_3%20Installers/ has no names (status 404)"),
          doc["probeStop"])
    packages = doc["packages"]
    check([p["name"] for p in packages] == ["5.10.0023.zip", "5.20.0001.zip"], packages)
    check(all(p["passed"] and p["items"] == 2 for p in packages), packages)
    check("5.10.0023.zip -> 5.10.0023.zip" in text and "5.20.0001.zip: " in text, text)
    left = [n for n in os.listdir(s.station) if n.endswith(".zip")]
    check(not left and not os.listdir(os.path.join(s.data, "install")), "files left: %s" % left)


def case_unreachable(s):
    code, text, doc = s.run(host="127.0.0.1:%d" % closed_port())
    check(code == 3 and doc["result"] == "unreachable", "exit %d" % code)
    check(not any(r["reached"] for r in doc["requests"]), doc["requests"])
    check("no answer after" in text and "Result: unreachable (exit code 3)" in text, text)


def case_tree(s):
    add_packages(s.tree, "5_1", ["5.10.0021", "5.10.0023"])
    folder = add_packages(s.tree, "5_3", ["5.30.0001"])
    with open(os.path.join(folder, "5.30.0002.zip"), "wb") as f:
        f.write(b"PK\x03\x04 not really an archive")
    shutil.copy(os.path.join(folder, "5.30.0001.zip"), os.path.join(folder, "setup.zip"))
    tree = program_path(s.tree, bool(s.args.emulator))
    code, text, doc = s.run("--tree", tree)
    check(code == 2 and doc["result"] == "problems", "exit %d" % code)
    check(codes(doc, "problems") == ["gap", "name_unparsable", "package_broken"],
          "problems %s" % doc["problems"])
    broken = [p["name"] for p in doc["packages"] if not p["passed"]]
    check(broken == ["5_3 Installers/5.30.0002.zip"], "broken %s" % broken)
    check("no folder 5_2 Installers between 5_1 Installers and 5_3 Installers" in text, text)
    # The same tree mended is ready.
    os.remove(os.path.join(folder, "5.30.0002.zip"))
    os.remove(os.path.join(folder, "setup.zip"))
    add_packages(s.tree, "5_2", ["5.20.0001"])
    code, text, doc = s.run("--tree", tree)
    check(code == 0 and doc["problems"] == [] and len(doc["packages"]) == 4,
          "exit %d: %s" % (code, text))


def case_missing_station(s):
    out = subprocess.run(s.command("--station", os.path.join(s.tmp, "nonexistent")),
                         capture_output=True, timeout=RUN_TIMEOUT)
    check(out.returncode == 64, "exit %d" % out.returncode)


def case_version(s):
    out = subprocess.run(s.command("--version"), capture_output=True, timeout=RUN_TIMEOUT)
    text = out.stdout.decode().strip()
    check(out.returncode == 0 and re.fullmatch(r"\d+\.\d+\.\d+", text), text)


if __name__ == "__main__":
    sys.exit(main(cases_of(globals())))
