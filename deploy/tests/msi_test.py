#!/usr/bin/env python3
"""The MSI under Wine in a prefix of its own, made for this run (12 s) and
shared by all cases in order: refused without INSTALLDIR, install, signed
upgrade, downgrade refused, signatures, a run of the installed TalCheck.exe,
uninstall. Exits 77 (skipped) without wixl or osslsigncode."""
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

WINE, WINESERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"
PROGRAMS = ("TalCheck.exe", "talcheck-audit.exe", "talcheck-task.exe")
FAILED = 1603 % 256  # msiexec's exit codes are cut to 8 bits under Wine


def quiet(cmd, cwd=None):
    out = subprocess.run(cmd, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                         timeout=RUN_TIMEOUT)
    return out.returncode, out.stdout + out.stderr


class Run:
    def __init__(self, args):
        self.a = args
        self.tmp = tempfile.mkdtemp(prefix="talcheck-msi-")
        self.env = dict(os.environ, WINEPREFIX=self.path("prefix"), WINEDEBUG="-all",
                        WINELOADER=WINE, WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.pop("DISPLAY", None)  # the null driver below instead
        self.station = self.path("station")
        self.station_win = program_path(self.station, True) + "\\"
        self.server = None
        self.runs = 0

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def wine(self, *args, env=None, cwd=None):
        """Output goes through a file: system processes keep a pipe open."""
        self.runs += 1
        out_path = self.path("out-%d" % self.runs)
        with open(out_path, "wb") as out:
            code = subprocess.run(["setarch", platform.machine(), "-R", WINE, *args],
                                  env=env or self.env, cwd=cwd or self.tmp, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=subprocess.STDOUT, timeout=RUN_TIMEOUT)
        with open(out_path, "rb") as f:
            return code.returncode, f.read().decode("latin-1")

    def boot(self):
        # As build/windows/wine-run.sh: make the prefix, let that server end,
        # boot under a server of our own. Services started by the first
        # server now and then failed to start the task scheduler.
        self.wine("wineboot", "-i")
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60)
        subprocess.run([WINESERVER, "-p30"], env=self.env, check=True, start_new_session=True)
        self.wine("wineboot")
        self.wine("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics", "/d", "null")

    def msiexec(self, *args):
        log = self.path("msiexec-%d.log" % self.runs)
        code, _ = self.wine("msiexec", *args, "/qn", "/l*v", program_path(log, True))
        with open(log, "rb") as f:
            return code, f.read().decode("latin-1")

    def build_msi(self, name, version, audit, signing=()):
        a = self.a
        code, out = quiet([a.cmake, "-DWIXL=" + a.wixl, "-DSOURCE=" + a.wxs, "-DSTRIP=" + a.strip,
                           "-DVERSION=" + version, "-DTALCHECK_EXE=" + a.talcheck,
                           "-DAUDIT_EXE=" + audit, "-DTASK_EXE=" + a.task,
                           "-DWORK=" + self.path(name), "-DOUTPUT=" + self.path(name + ".msi"),
                           *signing, "-P", a.package_script])
        check(code == 0, "building %s: %s" % (name, out))
        return program_path(self.path(name + ".msi"), True)

    def entries(self):
        """The DisplayVersion of every TalCheck uninstall entry."""
        _, out = self.wine("reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion"
                           r"\Uninstall", "/s")
        blocks = [b.split() for b in out.split("HKEY_")]
        return [b[b.index("DisplayVersion") + 2] for b in blocks if "DisplayName" in b and
                b[b.index("DisplayName") + 2] == "TalCheck"]

    def programs_are(self, folder):
        for name in PROGRAMS:
            with open(os.path.join(self.station, name), "rb") as f, \
                    open(self.path(folder, name), "rb") as g:
                check(f.read() == g.read(), "%s is not the one of %s" % (name, folder))

    def close(self):
        if self.server:
            self.server.stop()
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60)
        shutil.rmtree(self.tmp, ignore_errors=True)


def certificates(r):
    """A test CA and a code-signing certificate it issued."""
    with open(r.path("ext"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n")
    ssl = [shutil.which("openssl")]
    for cmd in (["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
                 "ca.pem", "-days", "2", "-subj", "/CN=TalCheck Test CA"],
                ["req", "-newkey", "rsa:2048", "-nodes", "-keyout", "sign.key", "-out", "sign.csr",
                 "-subj", "/CN=TalCheck Test Signer"],
                ["x509", "-req", "-in", "sign.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                 "-set_serial", "1", "-days", "2", "-extfile", "ext", "-out", "sign.pem"]):
        code, out = quiet(ssl + cmd, cwd=r.tmp)
        check(code == 0, "openssl %s: %s" % (cmd[0], out))
    return ["-DOSSLSIGNCODE=" + r.a.osslsigncode, "-DCERT=" + r.path("sign.pem"),
            "-DKEY=" + r.path("sign.key")]


def scenario(r):
    os.makedirs(r.path("data"))
    os.makedirs(r.station)
    shutil.copy(r.a.frontend, os.path.join(r.station, "frontend.exe"))
    with open(os.path.join(r.station, "station.ini"), "w", newline="\r\n") as f:
        f.write("[STATIONINFO]\nDBDirectory=%s\n" % program_path(r.path("data"), True))
    old_msi = r.build_msi("old", "0.9.0", r.a.frontend)  # a stand-in shows the upgrade
    new_msi = r.build_msi("new", r.a.version, r.a.audit, certificates(r))
    task = r.path("prefix", "drive_c", "windows", "system32", "tasks", "TalCheck")
    r.boot()

    # Wine logs no launch condition's message under /qn, only that they failed.
    code, log = r.msiexec("/i", program_path(r.a.msi, True))
    check(code == FAILED and "LaunchConditions. Return value 0." in log, "no INSTALLDIR: %d" % code)
    check(sorted(os.listdir(r.station)) == ["frontend.exe", "station.ini"], "placed without it")

    code, _ = r.msiexec("/i", old_msi, "INSTALLDIR=" + r.station_win)
    check(code == 0 and r.entries() == ["0.9.0"], "install: %d, %s" % (code, r.entries()))
    r.programs_are("old")
    with open(task, encoding="utf-8-sig") as f:
        check("<ExecutionTimeLimit>PT10H<" in f.read(), "the task is not the shipped one")
    # Wine stores no task actions: the definition registered is printed.
    code, printed = r.wine(r.station_win + "talcheck-task.exe", "print")
    for want in ("<Command>%sTalCheck.exe<" % r.station_win,
                 "<WorkingDirectory>%s<" % r.station_win):
        check(code == 0 and want in printed, "the task lacks %s" % want)

    for args, want in (((new_msi,), 0), ((old_msi, "INSTALLDIR=" + r.station_win), FAILED)):
        code, _ = r.msiexec("/i", *args)  # upgrade without INSTALLDIR, then a downgrade
        check(code == want and r.entries() == [r.a.version], "%s: %d" % (args[0], code))
        r.programs_are("new")
    code, printed = r.wine(r.station_win + "talcheck-audit.exe", "--version")
    check(printed.strip() == r.a.version, "talcheck-audit --version: %r" % printed)

    signed = [os.path.join(r.station, n) for n in PROGRAMS[:2]] + [r.path("new.msi")]
    for path in list(signed):
        with open(path, "rb") as f:
            data = bytearray(f.read())
        data[data.find(b"MSCF") + 4096 if path.endswith(".msi") else len(data) // 2] ^= 1
        with open(path + ".changed", "wb") as f:
            f.write(data)
    for path in signed + [p + ".changed" for p in signed]:
        code, out = quiet([r.a.osslsigncode, "verify", "-CAfile", r.path("ca.pem"), "-in", path])
        ok = code == 0 and "Signature verification: ok" in out
        check(ok != path.endswith(".changed"), "verify %s: %d %s" % (path, code, out[-200:]))
    for p in signed[:2]:
        os.remove(p + ".changed")

    add_packages(r.path("tree"), "5_1", ["5.10.0023"])
    r.server = InstallerServer(r.path("tree"))
    env = dict(r.env, TALCHECK_INSTALLER_HOST=r.server.host)
    code, _ = r.wine(r.station_win + "TalCheck.exe", env=env, cwd=r.station)
    with open(os.path.join(r.station, "TalCheckLog.txt"), "rb") as f:
        log = [line.split(b"] ", 1)[1].decode() for line in f.read().splitlines()]
    want = ["START"] + ["%s %s: 5.10.0023.zip" % (a, b) for b in ("DOWLOAD", "COPY")
                        for a in ("START", "END")] + ["END"]
    check(code == 0 and log == want, "run: %d %s" % (code, log))
    for name, text in package_files("5.10.0023").items():
        with open(r.path("data", "install", name)) as f:
            check(f.read() == text, "installed %s differs" % name)

    code, _ = r.msiexec("/x", new_msi)  # the folder is remembered
    left = sorted(os.listdir(r.station))
    check(code == 0 and left == ["TalCheckLog.txt", "frontend.exe", "station.ini"], "left %s" % left)
    check(not os.path.exists(task) and not r.entries(), "task or entry left")


def main():
    parser = argparse.ArgumentParser()
    for name in ("msi", "version", "wixl", "osslsigncode", "cmake", "package-script", "wxs",
                 "strip", "talcheck", "audit", "task", "frontend"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("case", choices=["msi"], help="the one case: all of the above in order")
    args = parser.parse_args()
    tools = {"wixl": args.wixl, "osslsigncode": args.osslsigncode, "openssl": "openssl"}
    missing = [n for n, p in tools.items() if "NOTFOUND" in p or not shutil.which(p or n)]
    if missing:
        print("skipped: %s not installed (tools/setup.sh installs it)" % ", ".join(missing))
        return 77
    run, started = Run(args), time.monotonic()
    try:
        scenario(run)
    except (Failure, subprocess.SubprocessError) as e:
        print("FAILED: %s" % e)
        return 1
    finally:
        run.close()
    print("passed: msi (%.1f s)" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
