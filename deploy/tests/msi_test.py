#!/usr/bin/env python3
"""The MSI under Wine, in a Wine prefix made for this run and removed after it.

  msi_test.py --msi MSI --version V --wixl WIXL --osslsigncode OSSLSIGNCODE
              --cmake CMAKE --package-script MsiPackage.cmake --wxs TalCheck.wxs --strip STRIP
              --talcheck EXE --audit EXE --task EXE --frontend EXE

A fresh prefix costs about 12 s, so the cases share one and run in order:
  refused     the build's MSI without INSTALLDIR installs nothing
  install     an older MSI (0.9.0, built here) places the programs, registers
              the task for the station folder, adds an uninstall entry
  upgrade     the release MSI, signed here with a test certificate, replaces
              it without being told the folder; a downgrade is refused
  signatures  the installed programs and the MSI verify against the test CA,
              and fail after one changed byte
  run         the installed TalCheck.exe installs a package from 127.0.0.1
  uninstall   removes programs, task and entry; the station's files stay
Exits 77 (skipped) when wixl or osslsigncode is missing.
"""
import argparse
import os
import platform
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app",
                                "tests"))
from e2e_harness import RUN_TIMEOUT, Failure, check, program_path  # noqa: E402
from e2e_server import InstallerServer, add_packages, package_files  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
OLD_VERSION = "0.9.0"
PROGRAMS = ("TalCheck.exe", "talcheck-audit.exe", "talcheck-task.exe")
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


class Wine:
    """A prefix of its own with a wineserver that lives until close()."""

    def __init__(self, root):
        self.root = root
        self.prefix = os.path.join(root, "prefix")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", WINELOADER=WINE,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.pop("DISPLAY", None)
        self.runs = 0

    def start(self):
        # As build/windows/wine-run.sh does: make the prefix, let that server
        # end, then boot the system processes under a server of our own.
        # Services first started by the server that made the prefix failed
        # to start the task scheduler now and then.
        self.run("wineboot", "-i", timeout=180)
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60)
        subprocess.run([WINESERVER, "-p30"], env=self.env, check=True, start_new_session=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.run("wineboot")
        # Windows without an X display: TalCheck's hidden window needs none.
        self.run("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics", "/d", "null", "/f")

    def run(self, *args, cwd=None, env=None, timeout=RUN_TIMEOUT):
        """Runs a Windows program; returns (exit code, output). Output goes
        through a file: system processes started on the way keep a pipe open."""
        self.runs += 1
        out_path = os.path.join(self.root, "out-%d.txt" % self.runs)
        with open(out_path, "wb") as out:
            code = subprocess.run(["setarch", platform.machine(), "-R", WINE, *args],
                                  env=env or self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        with open(out_path, "rb") as f:
            return code, f.read().decode("latin-1")

    def msiexec(self, *args):
        """Returns the exit code (cut to 8 bits under Wine) and the verbose log."""
        log = os.path.join(self.root, "msiexec-%d.log" % (self.runs + 1))
        code, _ = self.run("msiexec", *args, "/qn", "/l*v", program_path(log, True))
        with open(log, "rb") as f:
            text = f.read()
        return code, text.decode("utf-16" if text.startswith(b"\xff\xfe") else "latin-1")

    def file(self, windows_path):
        return os.path.join(self.prefix, "drive_c", *windows_path.split("\\"))

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, stderr=subprocess.DEVNULL, timeout=60)


class Setup:
    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="talcheck-msi-")
        self.wine = Wine(self.tmp)
        self.station = os.path.join(self.tmp, "station")
        self.station_win = program_path(self.station, True) + "\\"
        self.server = None

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def close(self):
        if self.server:
            self.server.stop()
        self.wine.close()
        shutil.rmtree(self.tmp, ignore_errors=True)


def quiet(cmd, **kw):
    return subprocess.run(cmd, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          timeout=120, **kw)


def make_certificates(s):
    """A test CA and a code-signing certificate it issued."""
    openssl = shutil.which("openssl")
    ca, key, cert = s.path("ca.pem"), s.path("signer.key"), s.path("signer.pem")
    ext = s.path("signer.ext")
    with open(ext, "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\n"
                "extendedKeyUsage=codeSigning\n")
    for cmd in (
        [openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", s.path("ca.key"),
         "-out", ca, "-days", "2", "-subj", "/CN=TalCheck Test CA"],
        [openssl, "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
         s.path("signer.csr"), "-subj", "/CN=TalCheck Test Signer"],
        [openssl, "x509", "-req", "-in", s.path("signer.csr"), "-CA", ca, "-CAkey",
         s.path("ca.key"), "-set_serial", "1", "-days", "2", "-extfile", ext, "-out", cert],
    ):
        out = quiet(cmd)
        check(out.returncode == 0, "%s: %s" % (cmd[1], out.stderr))
    return ca, cert, key


def build_msi(s, name, version, audit_exe, signing=None):
    a = s.args
    cmd = [a.cmake, "-DWIXL=" + a.wixl, "-DSOURCE=" + a.wxs, "-DVERSION=" + version,
           "-DTALCHECK_EXE=" + a.talcheck, "-DAUDIT_EXE=" + audit_exe, "-DTASK_EXE=" + a.task,
           "-DWORK=" + s.path(name), "-DOUTPUT=" + s.path(name + ".msi"), "-DSTRIP=" + a.strip]
    if signing:
        cmd += ["-DOSSLSIGNCODE=" + a.osslsigncode, "-DCERT=" + signing[0], "-DKEY=" + signing[1]]
    started = time.monotonic()
    out = quiet(cmd + ["-P", a.package_script])
    check(out.returncode == 0, "building %s: %s" % (name, out.stderr))
    print("%s.msi built in %.2f s" % (name, time.monotonic() - started))
    return s.path(name + ".msi")


def uninstall_entries(s):
    """(DisplayName, DisplayVersion) of every TalCheck uninstall entry."""
    _, out = s.wine.run("reg", "query", UNINSTALL_KEY, "/s")
    entries, fields = [], {}
    for line in out.splitlines() + [""]:
        if line.startswith("HKEY_") or not line.strip():
            if fields.get("DisplayName") == "TalCheck":
                entries.append(("TalCheck", fields.get("DisplayVersion")))
            fields = {}
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[1].startswith("REG_"):
            fields[parts[0]] = parts[2]
    return entries


def same_file(a, b):
    with open(a, "rb") as f, open(b, "rb") as g:
        return f.read() == g.read()


def expect_programs(s, sources):
    """The station folder holds exactly the given files as its programs."""
    for name, source in zip(PROGRAMS, sources):
        here = os.path.join(s.station, name)
        check(os.path.isfile(here) and same_file(here, source), "%s is not %s" % (here, source))


def task_file(s):
    return s.wine.file(r"windows\system32\tasks\TalCheck")


# ---------------------------------------------------------------- the run


def case_refused(s):
    # Wine does not log a launch condition's message under /qn (Windows
    # does), only that the launch conditions failed.
    code, log = s.wine.msiexec("/i", program_path(s.args.msi, True))
    check(code == 1603 % 256 and "LaunchConditions. Return value 0." in log and
          "InstallFiles" not in log, "exit code %d, log %s" % (code, log[-500:]))
    placed = [n for n in PROGRAMS if os.path.exists(os.path.join(s.station, n))]
    check(not placed, "placed in the station: %s" % placed)
    placed = [d for d, _, names in os.walk(s.wine.file("")) if "TalCheck.exe" in names]
    check(not placed and not uninstall_entries(s), "installed without INSTALLDIR: %s" % placed)


def case_install(s, old_msi):
    code, _ = s.wine.msiexec("/i", program_path(old_msi, True), "INSTALLDIR=" + s.station_win)
    check(code == 0, "install exit code %d" % code)
    expect_programs(s, [s.path("old", n) for n in PROGRAMS])
    check(uninstall_entries(s) == [("TalCheck", OLD_VERSION)], "entries %s" % uninstall_entries(s))
    check(os.path.isfile(task_file(s)), "no task registered")
    with open(task_file(s), encoding="utf-8-sig") as f:
        stored = f.read()
    for want in ("<ExecutionTimeLimit>PT10H<", "<MultipleInstancesPolicy>IgnoreNew<"):
        check(want in stored, "stored task lacks %s" % want)
    # Wine stores no actions, so the definition the task was made from is
    # asked of the installed registration program.
    code, printed = s.wine.run(s.station_win + "talcheck-task.exe", "print")
    check(code == 0, "talcheck-task print: %d" % code)
    for want in ("<Command>%sTalCheck.exe</Command>" % s.station_win,
                 "<WorkingDirectory>%s</WorkingDirectory>" % s.station_win):
        check(want in printed, "definition lacks %s" % want)


def case_upgrade(s, old_msi, new_msi):
    code, _ = s.wine.msiexec("/i", program_path(new_msi, True))  # the folder is remembered
    check(code == 0, "upgrade exit code %d" % code)
    signed = s.path("signed")
    expect_programs(s, [os.path.join(signed, n) for n in PROGRAMS])
    check(uninstall_entries(s) == [("TalCheck", s.args.version)], "entries %s" % uninstall_entries(s))
    code, printed = s.wine.run(s.station_win + "talcheck-audit.exe", "--version")
    check(code == 0 and printed.strip() == s.args.version, "talcheck-audit --version: %r" % printed)
    code, log = s.wine.msiexec("/i", program_path(old_msi, True), "INSTALLDIR=" + s.station_win)
    check(code == 1603 % 256 and "Property(S): NEWERFOUND = {" in log,
          "downgrade: exit code %d" % code)
    expect_programs(s, [os.path.join(signed, n) for n in PROGRAMS])
    check(uninstall_entries(s) == [("TalCheck", s.args.version)], "entries %s" % uninstall_entries(s))


def case_signatures(s, ca, new_msi):
    cases = [(os.path.join(s.station, "TalCheck.exe"), True),
             (os.path.join(s.station, "talcheck-audit.exe"), True),
             (new_msi, True)]
    for path, _ in list(cases):
        with open(path, "rb") as f:
            data = bytearray(f.read())
        # Within the cabinet of the MSI; within the code of a program.
        at = data.find(b"MSCF") + 4096 if path.endswith(".msi") else len(data) // 2
        data[at] ^= 0x01
        changed = s.path("changed-" + os.path.basename(path))
        with open(changed, "wb") as f:
            f.write(data)
        cases.append((changed, False))
    for path, good in cases:
        out = quiet([s.args.osslsigncode, "verify", "-CAfile", ca, "-in", path])
        ok = out.returncode == 0 and "Signature verification: ok" in out.stdout
        check(ok == good, "verify %s: exit %d, %s" % (path, out.returncode, out.stdout[-300:]))


def case_run(s):
    tree = s.path("server")
    add_packages(tree, "5_1", ["5.10.0023"])
    s.server = InstallerServer(tree)
    env = dict(s.wine.env, TALCHECK_INSTALLER_HOST=s.server.host)
    started = time.monotonic()
    code, _ = s.wine.run(s.station_win + "TalCheck.exe", cwd=s.station, env=env)
    print("installed TalCheck.exe ran in %.1f s" % (time.monotonic() - started))
    check(code == 0, "exit code %d" % code)
    with open(os.path.join(s.station, "TalCheckLog.txt"), "rb") as f:
        messages = [line.split("] ", 1)[-1] for line in f.read().decode("latin-1").splitlines()]
    want = ["START", "START DOWLOAD: 5.10.0023.zip", "END DOWLOAD: 5.10.0023.zip",
            "START COPY: 5.10.0023.zip", "END COPY: 5.10.0023.zip", "END"]
    check(messages == want, "log %s" % messages)
    for name, text in package_files("5.10.0023").items():
        with open(os.path.join(s.path("data", "install"), name)) as f:
            check(f.read() == text, "installed %s differs" % name)


def case_uninstall(s, new_msi):
    code, _ = s.wine.msiexec("/x", program_path(new_msi, True))  # the folder is remembered
    check(code == 0, "uninstall exit code %d" % code)
    left = sorted(os.listdir(s.station))
    check(left == ["TalCheckLog.txt", "frontend.exe", "station.ini"], "left %s" % left)
    check(not os.path.exists(task_file(s)), "the task is still registered")
    check(not uninstall_entries(s), "entries %s" % uninstall_entries(s))


def station_files(s):
    os.makedirs(s.station)
    os.makedirs(s.path("data"))
    shutil.copy(s.args.frontend, os.path.join(s.station, "frontend.exe"))
    with open(os.path.join(s.station, "station.ini"), "w", newline="\r\n") as f:
        f.write("[STATIONINFO]\nDBDirectory=%s\n" % program_path(s.path("data"), True))


def run_all(s):
    a = s.args
    ca, cert, key = make_certificates(s)
    old_msi = build_msi(s, "old", OLD_VERSION, a.frontend)
    new_msi = build_msi(s, "signed", a.version, a.audit, (cert, key))
    station_files(s)
    steps = [("boot", s.wine.start), ("refused", lambda: case_refused(s))]
    steps += [("install", lambda: case_install(s, old_msi))]
    steps += [("upgrade", lambda: case_upgrade(s, old_msi, new_msi)),
              ("signatures", lambda: case_signatures(s, ca, new_msi)),
              ("run", lambda: case_run(s)), ("uninstall", lambda: case_uninstall(s, new_msi))]
    for name, step in steps:
        started = time.monotonic()
        step()
        print("%s: %.1f s" % (name, time.monotonic() - started))


def main():
    parser = argparse.ArgumentParser()
    for name in ("msi", "version", "wixl", "osslsigncode", "cmake", "package-script", "wxs", "strip",
                 "talcheck", "audit", "task", "frontend"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()
    missing = [n for n, p in (("wixl", args.wixl), ("osslsigncode", args.osslsigncode),
                              ("openssl", shutil.which("openssl"))) if not p or "NOTFOUND" in p]
    if missing:
        print("skipped: %s not installed (tools/setup.sh installs it)" % " and ".join(missing))
        return 77
    setup = Setup(args)
    try:
        run_all(setup)
    except (Failure, subprocess.SubprocessError) as e:
        print("FAILED: %s" % e)
        return 1
    finally:
        setup.close()
    print("passed: msi")
    return 0


if __name__ == "__main__":
    sys.exit(main())
