#!/usr/bin/env python3
"""The MSI, in two cases.

  tables  read with msitools, no Wine: the programs' components and file
          versions, the ARP properties, the rollback actions, every table
          readable and the cabinet's files those of the build.
  msi     under Wine in a prefix of its own, made for this run and shared by
          all steps in order: refused without INSTALLDIR and for a folder
          without frontend.exe, an install rolled back, install of the 1.0.0 layout (built here from
          TalCheck-1.0.0.wxs), signed upgrade to the programs under Program
          Files, a second station refused, downgrade refused, signatures, a
          run as the task starts it, another build assigned with no
          property, uninstall, and a site MSI that installs with none.

Exits 77 (skipped) without wixl, msitools or osslsigncode."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

from msi_harness import PROGRAMS, Run, certificates, quiet
from e2e_harness import Failure, check, program_path
from e2e_server import InstallerServer, add_packages, package_files

FAILED = 1603 % 256  # msiexec's exit codes are cut to 8 bits under Wine
EVENT_SOURCE = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\TalCheck"
ENVIRONMENT = r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment"


def table(msi, name):
    """The rows of one table as msiinfo exports it, by column name."""
    code, out = quiet(["msiinfo", "export", msi, name])
    check(code == 0, "msiinfo export %s: %s" % (name, out))
    lines = out.splitlines()
    return [dict(zip(lines[0].split("\t"), line.split("\t"))) for line in lines[3:] if line]


def case_tables(r):
    msi = r.path("new.msi")
    r.build_msi("new", r.a.version)
    code, names = quiet(["msiinfo", "tables", msi])
    check(code == 0, "msiinfo tables: %s" % names)
    for name in names.split():
        table(msi, name)  # every table reads

    files = {f["FileName"]: f for f in table(msi, "File")}
    check(sorted(files) == sorted(PROGRAMS), "files %s" % sorted(files))
    components = {c["Component"]: c for c in table(msi, "Component")}
    for name, f in files.items():
        check(components[f["Component_"]]["KeyPath"] == f["File"], "%s is no KeyPath" % name)
    check(len({f["Component_"] for f in files.values()}) == len(PROGRAMS), "shared component")
    release = r.a.version + ".0"
    want = {"TalCheck.exe": "0.0.0.0", "talcheck-audit.exe": release, "talcheck-task.exe": release}
    got = {name: f["Version"] for name, f in files.items()}
    check(got == want, "file versions %s" % got)

    props = {p["Property"]: p["Value"] for p in table(msi, "Property")}
    icons = [i["Name"] for i in table(msi, "Icon")]
    check(props.get("ARPNOMODIFY") == "1" and props.get("ARPPRODUCTICON") in icons and
          props.get("ARPCOMMENTS") and props.get("Manufacturer") == "TalCheck",
          "ARP properties %s, icons %s" % (props, icons))

    # Each task action has a rollback, scheduled just before it, as SYSTEM.
    actions = {a["Action"]: int(a["Type"]) for a in table(msi, "CustomAction")}
    sequence = {s["Action"]: s for s in table(msi, "InstallExecuteSequence")}
    for action in ("RegisterTask", "RemoveTask"):
        rollback, step = sequence[action + "Rollback"], sequence[action]
        check(actions[action + "Rollback"] & 0xD00 == 0xD00 and
              int(rollback["Sequence"]) == int(step["Sequence"]) - 1 and
              rollback["Condition"] == step["Condition"], "no rollback for %s" % action)

    out = r.path("extracted")
    code, listing = quiet(["msiextract", "-C", out, msi])
    check(code == 0, "msiextract: %s" % listing)
    extracted = [p for p in listing.split() if p.endswith(".exe")]
    check(sorted(os.path.basename(p) for p in extracted) == sorted(PROGRAMS) and
          all(p.replace("\\", "/").startswith("TalCheck/") for p in extracted),
          "extracted %s" % extracted)
    r.programs_are(os.path.dirname(os.path.join(out, extracted[0])), "new")


def uninstall_entry(r):
    """The values of TalCheck's uninstall entry, by name; {} when none."""
    _, out = r.wine("reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall",
                    "/s")
    for block in out.split("HKEY_"):
        rows = [line.split(None, 2) for line in block.splitlines()]
        values = {r[0]: r[2].strip() for r in rows if len(r) == 3 and r[1].startswith("REG_")}
        if values.get("DisplayName") == "TalCheck":
            return values
    return {}


def refused(r, msi, *args):
    """Wine logs no launch condition's message under /qn, only that they failed."""
    code, log = r.msiexec("/i", msi, *args)
    check(code == FAILED and "LaunchConditions. Return value 0." in log,
          "not refused (%d): %s" % (code, " ".join(args)))


def settings_are(r, host):
    """The task, environment variable and event source as installed."""
    check(r.task() == [r.programs_win + "TalCheck.exe", r.station_win], "task %s" % r.task())
    check(r.reg(ENVIRONMENT, "TALCHECK_INSTALLER_HOST") in ("REG_SZ " + host,
                                                            "REG_EXPAND_SZ " + host),
          "TALCHECK_INSTALLER_HOST: %s" % r.reg(ENVIRONMENT, "TALCHECK_INSTALLER_HOST"))
    message_file = r.reg(EVENT_SOURCE, "EventMessageFile")
    check(message_file == "REG_SZ " + r.programs_win + "TalCheck.exe" and
          r.reg(EVENT_SOURCE, "TypesSupported") == "REG_DWORD 0x7", "event source %s" % message_file)


def nothing_left(r, log=("TalCheckLog.txt",), task=True):
    left = sorted(os.listdir(r.station))
    check(left == sorted(["frontend.exe", "station.ini", *log]), "station holds %s" % left)
    check(not os.path.exists(os.path.join(r.programs, "TalCheck.exe")), "programs left")
    task_file = r.path("prefix", "drive_c", "windows", "system32", "tasks", "TalCheck")
    check(not (task and os.path.exists(task_file)), "task left")
    check(not uninstall_entry(r), "uninstall entry left")
    for key, name in ((ENVIRONMENT, "TALCHECK_INSTALLER_HOST"), (EVENT_SOURCE, "TypesSupported"),
                      (r"HKLM\Software\TalCheck", "InstallDir")):
        check(r.reg(key, name) is None, "%s left" % name)


def case_msi(r):
    for folder in ("data", "station", "empty", "other"):
        os.makedirs(r.path(folder))
    for folder in ("station", "other"):
        shutil.copy(r.a.frontend, r.path(folder, "frontend.exe"))
    with open(os.path.join(r.station, "station.ini"), "w", newline="\r\n") as f:
        f.write("[STATIONINFO]\nDBDirectory=%s\n" % program_path(r.path("data"), True))
    add_packages(r.path("tree"), "5_1", ["5.10.0023"])
    r.server = InstallerServer(r.path("tree"))
    host = r.server.host
    old_msi = r.build_msi("old", "1.0.0", wxs=r.a.old_wxs)
    older_msi = r.build_msi("older", "0.9.0", wxs=r.a.old_wxs)
    again_msi = r.build_msi("again", r.a.version)
    new_msi = r.build_msi("new", r.a.version, extra=certificates(r))
    site_msi = r.build_msi("site", r.a.version, extra=["-DSITE_INSTALLDIR=" + r.station_win,
                                                        "-DSITE_INSTALLER_HOST=" + host])
    # A step after the task's registration that fails: the install rolls back.
    shutil.copy(r.path("site.msi"), r.path("failing.msi"))
    for statement in ("INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
                      "VALUES ('Fail', 3090, 'TaskExe', 'no-such-command')",
                      "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) "
                      "VALUES ('Fail', 5003)"):
        code, out = quiet([r.a.msibuild, r.path("failing.msi"), "-q", statement])
        check(code == 0 and not out, "msibuild: %s" % out)
    r.boot()

    refused(r, new_msi)
    refused(r, new_msi, "INSTALLDIR=" + program_path(r.path("empty"), True))
    check(sorted(os.listdir(r.station)) == ["frontend.exe", "station.ini"] and
          not os.path.exists(r.programs), "placed though refused")
    # Wine ends a rolled-back install with 1627 where Windows gives 1603. It
    # also rolls the files back before the rollback actions, unlike Windows,
    # which undoes its script in reverse: RegisterTaskRollback runs, but finds
    # talcheck-task.exe gone, and the task stays (replaced at the next install).
    code, log = r.msiexec("/i", program_path(r.path("failing.msi"), True))
    failed_at = log.find("Fail. Return value 0.")
    check(code in (FAILED, 1627 % 256) and 0 < log.find("RegisterTask. Return value 1.") <
          failed_at < log.find("Action start", log.find("RegisterTaskRollback", failed_at)),
          "no rollback of the task's registration: %d" % code)
    nothing_left(r, [], task=False)

    # 1.0.0 placed the programs in the station folder and started them there.
    code, _ = r.msiexec("/i", old_msi, "INSTALLDIR=" + r.station_win)
    check(code == 0 and r.entries() == ["1.0.0"], "1.0.0: %d, %s" % (code, r.entries()))
    r.programs_are(r.station, "old")
    code, printed = r.wine(r.station_win + "talcheck-task.exe", "print")
    check("<Command>%sTalCheck.exe<" % r.station_win in printed, "1.0.0's task: %s" % printed)

    # The upgrade finds the folder in the registry and takes the copies away.
    code, _ = r.msiexec("/i", new_msi, "INSTALLERHOST=" + host)
    check(code == 0 and r.entries() == [r.a.version], "upgrade: %d, %s" % (code, r.entries()))
    check(sorted(os.listdir(r.station)) == ["frontend.exe", "station.ini"], "copies left")
    r.programs_are(r.programs, "new")
    entry = uninstall_entry(r)
    check(entry.get("InstallLocation") == r.programs_win and entry.get("NoModify") == "0x1",
          "uninstall entry %s" % entry)
    settings_are(r, host)

    # One station per machine; the same folder without its backslash is no other.
    refused(r, new_msi, "INSTALLDIR=" + program_path(r.path("other"), True) + "\\")
    check(len(os.listdir(r.path("other"))) == 1, "placed in a second station")
    code, _ = r.msiexec("/i", new_msi, "INSTALLDIR=" + r.station_win[:-1])
    check(code == 0, "the same station refused: %d" % code)
    code, _ = r.msiexec("/i", older_msi, "INSTALLDIR=" + r.station_win)
    check(code == FAILED and r.entries() == [r.a.version], "downgrade: %d" % code)
    settings_are(r, host)

    signed = [os.path.join(r.programs, n) for n in PROGRAMS[:2]] + [r.path("new.msi")]
    for path in list(signed):
        with open(path, "rb") as f:
            data = bytearray(f.read())
        data[data.find(b"MSCF") + 4096 if path.endswith(".msi") else len(data) // 2] ^= 1
        with open(r.path(os.path.basename(path) + ".changed"), "wb") as f:
            f.write(data)
    for path in signed + [r.path(os.path.basename(p) + ".changed") for p in signed]:
        code, out = quiet([r.a.osslsigncode, "verify", "-CAfile", r.path("ca.pem"), "-in", path])
        ok = code == 0 and "Signature verification: ok" in out
        check(ok != path.endswith(".changed"), "verify %s: %d %s" % (path, code, out[-200:]))

    # As the task starts it: from Program Files, in the station folder, with
    # the installer host from the machine's environment.
    code, _ = r.wine(r.programs_win + "TalCheck.exe", cwd=r.station)
    with open(os.path.join(r.station, "TalCheckLog.txt"), "rb") as f:
        log = [line.split(b"] ", 1)[1].decode() for line in f.read().splitlines()]
    want = ["START"] + ["%s %s: 5.10.0023.zip" % (a, b) for b in ("DOWLOAD", "COPY")
                        for a in ("START", "END")] + ["END"]
    check(code == 0 and log == want, "run: %d %s" % (code, log))
    for name, text in package_files("5.10.0023").items():
        with open(r.path("data", "install", name)) as f:
            check(f.read() == text, "installed %s differs" % name)

    # Another build, assigned with no property, keeps the remembered settings.
    code, _ = r.msiexec("/i", again_msi)
    check(code == 0 and r.entries() == [r.a.version], "upgrade again: %d" % code)
    r.programs_are(r.programs, "again")
    settings_are(r, host)

    code, _ = r.msiexec("/x", again_msi)
    check(code == 0, "uninstall: %d" % code)
    nothing_left(r)

    # A site MSI needs no property, as Group Policy passes none.
    code, _ = r.msiexec("/i", site_msi)
    check(code == 0, "site MSI: %d" % code)
    settings_are(r, host)
    code, _ = r.msiexec("/x", site_msi)
    check(code == 0, "site MSI uninstall: %d" % code)
    nothing_left(r)


CASES = {"tables": case_tables, "msi": case_msi}


def main():
    parser = argparse.ArgumentParser()
    for name in ("msi", "version", "wixl", "msibuild", "osslsigncode", "cmake", "package-script",
                 "wxs", "old-wxs", "tables", "windres", "icon", "strip", "talcheck", "audit",
                 "task", "frontend"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    tools = {"wixl": args.wixl, "msibuild": args.msibuild, "msiinfo": "msiinfo",
             "msiextract": "msiextract", "osslsigncode": args.osslsigncode, "openssl": "openssl"}
    missing = [n for n, p in tools.items() if "NOTFOUND" in p or not shutil.which(p or n)]
    if missing:
        print("skipped: %s not installed (tools/setup.sh installs it)" % ", ".join(missing))
        return 77
    run, started = Run(args), time.monotonic()
    try:
        CASES[args.case](run)
    except (Failure, subprocess.SubprocessError) as e:
        print("FAILED: %s" % e)
        return 1
    finally:
        run.close()
    print("passed: %s (%.1f s)" % (args.case, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
