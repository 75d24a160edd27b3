#!/usr/bin/env python3
"""The MSI under Wine, in a prefix of its own made for this run, the steps of
case_msi in order: refusals and a rollback, the upgrade from the 1.0.0
layout (TalCheck-1.0.0.wxs), one station and no downgrade, signatures, a run
as the task starts it, reassignment, uninstall and a site MSI.

  msi_install.py ARGUMENTS msi   (the arguments as msi_harness.py says)

Exits 77 (skipped) without wixl, msitools or osslsigncode."""
import os
import shutil
import sys

from msi_harness import PROGRAMS, certificates, main, quiet
from e2e_harness import check, program_path
from e2e_server import InstallerServer, add_packages, package_files

FAILED = 1603 % 256  # msiexec's exit codes are cut to 8 bits under Wine
EVENT_SOURCE = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\TalCheck"
ENVIRONMENT = r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment"


def refused(r, msi, *args):
    """Wine logs no launch condition's message under /qn, only that they failed."""
    code, log = r.msiexec("/i", msi, *args)
    check(code == FAILED and "LaunchConditions. Return value 0." in log,
          "not refused (%d): %s" % (code, " ".join(args)))


def settings_are(r):
    """The task, environment variable and event source as installed."""
    host = r.server.host
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
    check(not r.uninstall_entries(), "uninstall entry left")
    for key, name in ((ENVIRONMENT, "TALCHECK_INSTALLER_HOST"), (EVENT_SOURCE, "TypesSupported"),
                      (r"HKLM\Software\TalCheck", "InstallDir")):
        check(r.reg(key, name) is None, "%s left" % name)


def make_station(r):
    """A station with its frontend.exe and data folder, an empty folder, a
    second station, and an installer server with one package."""
    for folder in ("data", "station", "empty", "other"):
        os.makedirs(r.path(folder))
    for folder in ("station", "other"):
        shutil.copy(r.a.frontend, r.path(folder, "frontend.exe"))
    with open(os.path.join(r.station, "station.ini"), "w", newline="\r\n") as f:
        f.write("[STATIONINFO]\nDBDirectory=%s\n" % program_path(r.path("data"), True))
    add_packages(r.path("tree"), "5_1", ["5.10.0023"])
    r.server = InstallerServer(r.path("tree"))


def build_msis(r):
    """The MSIs of the steps by name, as msiexec names them; failing.msi
    fails in a step after the task's registration."""
    msis = {"old": r.build_msi("old", "1.0.0", wxs=r.a.old_wxs),
            "older": r.build_msi("older", "0.9.0", wxs=r.a.old_wxs),
            "again": r.build_msi("again", r.a.version),
            "new": r.build_msi("new", r.a.version, extra=certificates(r)),
            "site": r.build_msi("site", r.a.version,
                                extra=["-DSITE_INSTALLDIR=" + r.station_win,
                                       "-DSITE_INSTALLER_HOST=" + r.server.host])}
    shutil.copy(r.path("site.msi"), r.path("failing.msi"))
    for statement in ("INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
                      "VALUES ('Fail', 3090, 'TaskExe', 'no-such-command')",
                      "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) "
                      "VALUES ('Fail', 5003)"):
        code, out = quiet([r.a.msibuild, r.path("failing.msi"), "-q", statement])
        check(code == 0 and not out, "msibuild: %s" % out)
    msis["failing"] = program_path(r.path("failing.msi"), True)
    return msis


def refusals_and_rollback(r, msis):
    refused(r, msis["new"])
    refused(r, msis["new"], "INSTALLDIR=" + program_path(r.path("empty"), True))
    check(sorted(os.listdir(r.station)) == ["frontend.exe", "station.ini"] and
          not os.path.exists(r.programs), "placed though refused")
    # Wine ends a rolled-back install with 1627 where Windows gives 1603. It
    # also rolls the files back before the rollback actions, unlike Windows,
    # which undoes its script in reverse: RegisterTaskRollback runs, but finds
    # talcheck-task.exe gone, and the task stays (replaced at the next install).
    code, log = r.msiexec("/i", msis["failing"])
    failed_at = log.find("Fail. Return value 0.")
    check(code in (FAILED, 1627 % 256) and 0 < log.find("RegisterTask. Return value 1.") <
          failed_at < log.find("Action start", log.find("RegisterTaskRollback", failed_at)),
          "no rollback of the task's registration: %d" % code)
    nothing_left(r, [], task=False)


def upgrade_from_1_0_0(r, msis):
    # 1.0.0 placed the programs in the station folder and started them there.
    code, _ = r.msiexec("/i", msis["old"], "INSTALLDIR=" + r.station_win)
    check(code == 0 and r.entries() == ["1.0.0"], "1.0.0: %d, %s" % (code, r.entries()))
    r.programs_are(r.station, "old")
    code, printed = r.wine(r.station_win + "talcheck-task.exe", "print")
    check("<Command>%sTalCheck.exe<" % r.station_win in printed, "1.0.0's task: %s" % printed)
    # The upgrade finds the folder in the registry and takes the copies away.
    code, _ = r.msiexec("/i", msis["new"], "INSTALLERHOST=" + r.server.host)
    check(code == 0 and r.entries() == [r.a.version], "upgrade: %d, %s" % (code, r.entries()))
    check(sorted(os.listdir(r.station)) == ["frontend.exe", "station.ini"], "copies left")
    r.programs_are(r.programs, "new")
    entry = r.uninstall_entries()[0]
    check(entry.get("InstallLocation") == r.programs_win and entry.get("NoModify") == "0x1",
          "uninstall entry %s" % entry)
    settings_are(r)


def one_station_no_downgrade(r, msis):
    # One station per machine; the same folder without its backslash is no other.
    refused(r, msis["new"], "INSTALLDIR=" + program_path(r.path("other"), True) + "\\")
    check(len(os.listdir(r.path("other"))) == 1, "placed in a second station")
    code, _ = r.msiexec("/i", msis["new"], "INSTALLDIR=" + r.station_win[:-1])
    check(code == 0, "the same station refused: %d" % code)
    code, _ = r.msiexec("/i", msis["older"], "INSTALLDIR=" + r.station_win)
    check(code == FAILED and r.entries() == [r.a.version], "downgrade: %d" % code)
    settings_are(r)


def signatures_verify(r, msis):
    """The programs as installed and the MSI verify against the test CA."""
    for path in [os.path.join(r.programs, n) for n in PROGRAMS[:2]] + [r.path("new.msi")]:
        code, out = quiet([r.a.osslsigncode, "verify", "-CAfile", r.path("ca.pem"), "-in", path])
        check(code == 0 and "Signature verification: ok" in out,
              "verify %s: %d %s" % (path, code, out[-200:]))


def run_as_the_task(r, msis):
    """From Program Files, in the station folder, with the installer host
    from the machine's environment."""
    code, _ = r.wine(r.programs_win + "TalCheck.exe", cwd=r.station)
    with open(os.path.join(r.station, "TalCheckLog.txt"), "rb") as f:
        log = [line.split(b"] ", 1)[1].decode() for line in f.read().splitlines()]
    want = ["START"] + ["%s %s: 5.10.0023.zip" % (a, b) for b in ("DOWLOAD", "COPY")
                        for a in ("START", "END")] + ["END"]
    check(code == 0 and log == want, "run: %d %s" % (code, log))
    for name, text in package_files("5.10.0023").items():
        with open(r.path("data", "install", name)) as f:
            check(f.read() == text, "installed %s differs" % name)


def reassigned_and_removed(r, msis):
    # Assigned with no property, as Group Policy assigns: another build keeps
    # the remembered settings; a site MSI, after the uninstall, has its own.
    for name in ("again", "site"):
        code, _ = r.msiexec("/i", msis[name])
        check(code == 0 and r.entries() == [r.a.version], "%s: %d" % (name, code))
        r.programs_are(r.programs, name)
        settings_are(r)
        code, _ = r.msiexec("/x", msis[name])
        check(code == 0, "%s uninstall: %d" % (name, code))
        nothing_left(r)


def case_msi(r):
    make_station(r)
    msis = build_msis(r)
    r.boot()
    for step in (refusals_and_rollback, upgrade_from_1_0_0, one_station_no_downgrade,
                 signatures_verify, run_as_the_task, reassigned_and_removed):
        step(r, msis)


if __name__ == "__main__":
    sys.exit(main({"msi": case_msi}))
