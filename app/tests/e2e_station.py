"""The program under test and the station it runs in, for the end-to-end
scripts: how to start it (natively or through the Wine wrapper), a fresh
station directory and server tree per case, and the checks of a run's log,
requests and installed tree that the cases share."""
import argparse
import os
import re
import shutil
import stat
import subprocess
import tempfile
import time

from e2e_harness import RUN_TIMEOUT, Failure, check, program_path
from e2e_server import BASE, InstallerServer, package_files


class Program:
    def __init__(self, args):
        self.exe = os.path.abspath(args.exe)
        self.emulator = args.emulator
        self.frontend = args.frontend
        self.probe = args.probe
        self.windows = bool(args.emulator)
        self.prefix = []  # a command the program is started through, such as unshare

    def command(self, exe, *extra):
        return self.prefix + ([self.emulator] if self.emulator else []) + [exe, *extra]

    def native_path(self, path):
        """A path as the program writes it in station.ini."""
        return program_path(path, self.windows)

    def start(self, cwd, env, args=(), stderr=subprocess.DEVNULL):
        return subprocess.Popen(self.command(self.exe, *args), cwd=cwd, env=env,
                                stdout=subprocess.DEVNULL, stderr=stderr)


class Scenario:
    """One station directory and one server tree, removed afterwards."""

    def __init__(self, program):
        self.program = program
        self.tmp = tempfile.mkdtemp(prefix="talcheck-e2e-")
        self.station = os.path.join(self.tmp, "station")
        self.data = os.path.join(self.tmp, "data")
        self.tree = os.path.join(self.tmp, "server")
        self.runtime = os.path.join(self.tmp, "runtime")
        for d in (self.station, self.data, self.tree, self.runtime):
            os.makedirs(d)
        os.chmod(self.runtime, 0o700)
        self.server = InstallerServer(self.tree)
        self.cleanups = []  # more servers to stop

    def close(self):
        self.server.stop()
        for cleanup in self.cleanups:
            cleanup()
        for dirpath, dirnames, filenames in os.walk(self.tmp):
            for n in dirnames + filenames:
                os.chmod(os.path.join(dirpath, n), stat.S_IRWXU)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def station_files(self):
        check(self.program.frontend, "no frontend fixture given")
        shutil.copy(self.program.frontend, os.path.join(self.station, "frontend.exe"))
        with open(os.path.join(self.station, "station.ini"), "w", newline="\r\n") as f:
            f.write("[STATIONINFO]\nDBDirectory=%s\n" % self.program.native_path(self.data))

    def env(self, host=None):
        env = dict(os.environ)
        env["TALCHECK_INSTALLER_HOST"] = host or self.server.host
        env["XDG_RUNTIME_DIR"] = self.runtime  # the single-instance marker of this test
        return env

    def run(self, host=None, args=(), env=None, stderr=subprocess.DEVNULL):
        started = time.monotonic()
        proc = self.program.start(self.station, dict(self.env(host), **(env or {})), args, stderr)
        try:
            code = proc.wait(RUN_TIMEOUT)
        except subprocess.TimeoutExpired:
            proc.kill()
            raise Failure("the run did not end within %d s" % RUN_TIMEOUT)
        return code, time.monotonic() - started

    def log(self):
        path = os.path.join(self.station, "TalCheckLog.txt")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read().decode("latin-1")

    def log_messages(self):
        """The log's lines without their stamps; checks the stamp and CR LF."""
        text = self.log()
        check(text is not None, "no run log")
        check(text.endswith("\r\n"), "log does not end in CR LF: %r" % text[-20:])
        lines = text[:-2].split("\r\n")
        messages = []
        for line in lines:
            m = re.match(r"^([^ \[]{0,13}) \[([01]\d|2[0-3]):[0-5]\d:[0-5]\d\] (.*)$", line)
            check(m, "bad stamp in log line %r" % line)
            check("\n" not in line and "\r" not in line, "stray line end in %r" % line)
            messages.append(m.group(3))
        return messages

    def installed(self):
        root = os.path.join(self.data, "install")
        found = {}
        for dirpath, _, filenames in os.walk(root):
            for n in filenames:
                full = os.path.join(dirpath, n)
                with open(full, "rb") as f:
                    found[os.path.relpath(full, root).replace(os.sep, "/")] = f.read().decode()
        return found


def package_log(name):
    return ["START DOWLOAD: " + name, "END DOWLOAD: " + name, "START COPY: " + name,
            "END COPY: " + name]


def folder(line):
    return BASE + "/%s%%20Installers/" % line


def expect_tree(s, versions):
    want = {}
    for v in versions:
        want.update(package_files(v))
    got = s.installed()
    check(got == want, "installed tree %s, expected %s" % (sorted(got), sorted(want)))


def expect_one_update(s, code):
    """The run ended well, logged one download and install of 5.10.0023, and installed it."""
    check(code == 0, "exit code %d" % code)
    check(s.log_messages() == ["START"] + package_log("5.10.0023.zip") + ["END"],
          "log %s" % s.log_messages())
    expect_tree(s, ["5.10.0023"])


def expect_no_downloads_left(s):
    left = [n for n in os.listdir(s.station) if n.lower().endswith(".zip")]
    check(not left, "downloaded packages left in the station directory: %s" % left)


def tree_state(root, skip=()):
    """Every entry below root by relative path, as itself: mode, owner and
    bytes or link target; paths that start with one of skip are left out."""
    found = {}
    for top, dirs, files in os.walk(root):
        for path in (os.path.join(top, n) for n in dirs + files):
            rel = os.path.relpath(path, root)
            if not rel.startswith(tuple(skip)):
                st = os.lstat(path)
                body = (os.readlink(path) if stat.S_ISLNK(st.st_mode) else
                        open(path, "rb").read() if stat.S_ISREG(st.st_mode) else None)
                found[rel] = (st.st_mode, st.st_uid, st.st_gid, body)
    return found


def changed(before, after):
    return sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))


def no_program_left(scenario):
    """No copy of this build's program started by this case is running: none
    with the program's path as its command (natively or under Wine) and the
    case's own XDG_RUNTIME_DIR, zombies aside (an init may never reap them)."""
    marker = ("XDG_RUNTIME_DIR=%s" % scenario.runtime).encode()
    left = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid, "rb") as f:
                state = f.read().rsplit(b")", 1)[1].split()[0]
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                command = f.read().split(b"\0")[0].decode(errors="replace")
            with open("/proc/%s/environ" % pid, "rb") as f:
                mine = marker in f.read().split(b"\0")
        except (OSError, IndexError):
            continue  # gone meanwhile
        if state != b"Z" and command == scenario.program.exe and mine:
            left.append("%s %s" % (pid, command))
    check(not left, "processes left behind: %s" % left)


def program_arguments():
    """The arguments every script of the program's end-to-end tests takes."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--frontend")
    parser.add_argument("--probe")
    return parser
