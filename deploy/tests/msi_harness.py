"""What the MSI's test cases share: a Wine prefix of their own with its
wineserver, msiexec with a verbose log, MSIs built from this build's
programs, registry reads, a test code-signing certificate, and the arguments
(main() lists them; deploy/CMakeLists.txt passes them)."""
import argparse
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app",
                                "tests"))
from e2e_harness import RUN_TIMEOUT, check, program_path, run_case  # noqa: E402

WINE, WINESERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"
PROGRAMS = ("TalCheck.exe", "talcheck-audit.exe", "talcheck-task.exe")


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
        self.env.pop("TALCHECK_INSTALLER_HOST", None)  # the MSI's own below
        self.station = self.path("station")
        self.station_win = program_path(self.station, True) + "\\"
        self.programs = self.path("prefix", "drive_c", "Program Files", "TalCheck")
        self.programs_win = "C:\\Program Files\\TalCheck\\"
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

    def build_msi(self, name, version, wxs=None, extra=()):
        """An MSI of this build's programs; wxs (an older layout) is wixl's
        alone, the current one gets its tables, versions and icon."""
        a = self.a
        current = [] if wxs else ["-DMSIBUILD=" + a.msibuild, "-DTABLES=" + a.tables,
                                  "-DWINDRES=" + a.windres, "-DICON=" + a.icon]
        code, out = quiet([a.cmake, "-DWIXL=" + a.wixl, "-DSOURCE=" + (wxs or a.wxs),
                           "-DSTRIP=" + a.strip, "-DVERSION=" + version,
                           "-DTALCHECK_EXE=" + a.talcheck, "-DAUDIT_EXE=" + a.audit,
                           "-DTASK_EXE=" + a.task, "-DWORK=" + self.path(name),
                           "-DOUTPUT=" + self.path(name + ".msi"), *current, *extra,
                           "-P", a.package_script])
        check(code == 0, "building %s: %s" % (name, out))
        return program_path(self.path(name + ".msi"), True)

    def reg(self, key, name):
        """A registry value as reg query prints it ("REG_SZ value"), or None."""
        code, out = self.wine("reg", "query", key, "/v", name)
        m = re.search(r"^\s*%s\s+(REG_\w+)\s+(.*?)\s*$" % re.escape(name), out, re.M | re.I)
        return "%s %s" % (m.group(1), m.group(2)) if code == 0 and m else None

    def uninstall_entries(self):
        """The values of every TalCheck uninstall entry, by name."""
        _, out = self.wine("reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion"
                           r"\Uninstall", "/s")
        found = []
        for block in out.split("HKEY_"):
            rows = [line.split(None, 2) for line in block.splitlines()]
            values = {r[0]: r[2].strip() for r in rows if len(r) == 3 and r[1].startswith("REG_")}
            if values.get("DisplayName") == "TalCheck":
                found.append(values)
        return found

    def entries(self):
        """The DisplayVersion of every TalCheck uninstall entry."""
        return [e.get("DisplayVersion") for e in self.uninstall_entries()]

    def programs_are(self, folder, built):
        for name in PROGRAMS:
            with open(os.path.join(folder, name), "rb") as f, \
                    open(self.path(built, name), "rb") as g:
                check(f.read() == g.read(), "%s is not the one of %s" % (name, built))

    def task(self):
        """The task definition as talcheck-task prints it (Wine stores no
        task actions): its command and working directory."""
        code, printed = self.wine(self.programs_win + "talcheck-task.exe", "print")
        check(code == 0, "talcheck-task print: %d %s" % (code, printed))
        return [re.search(r"<%s>(.*?)<" % tag, printed).group(1)
                for tag in ("Command", "WorkingDirectory")]

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


def main(cases):
    parser = argparse.ArgumentParser()
    for name in ("msi", "version", "wixl", "msibuild", "osslsigncode", "cmake", "package-script",
                 "wxs", "old-wxs", "tables", "windres", "icon", "strip", "talcheck", "audit",
                 "task", "frontend"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("case", choices=sorted(cases))
    args = parser.parse_args()
    tools = {"wixl": args.wixl, "msibuild": args.msibuild, "msiinfo": "msiinfo",
             "osslsigncode": args.osslsigncode, "openssl": "openssl"}
    missing = [n for n, p in tools.items() if "NOTFOUND" in p or not shutil.which(p or n)]
    if missing:
        print("skipped: %s not installed (tools/setup.sh installs it)" % ", ".join(missing))
        return 77
    run = Run(args)
    return run_case(args.case, run, lambda: cases[args.case](run))
