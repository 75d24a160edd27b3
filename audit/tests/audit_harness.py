"""What the end-to-end scripts of talcheck-audit share: an installer server
on 127.0.0.1 whose folder pages take several forms, a scratch station per
case, the program run twice (report and --json), and the arguments.

  audit_<script>.py --exe PATH [--emulator WINE_RUN] --frontend EXE
                    [--keys DIR --minisign PATH] CASE

Each run's exit code: 0 up to date, 1 update available, 2 problems,
3 unreachable. Signing needs the program built with the test keys of DIR
(k1.key, made by minisign at build time)."""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app",
                                "tests"))
from e2e_harness import RUN_TIMEOUT, Failure, check, program_path, run_case  # noqa: E402
from e2e_harness import sign as sign_with  # noqa: E402
from e2e_server import InstallerServer, add_packages  # noqa: E402,F401 (for the scripts)


def nobody_else_may_change(path):
    """Whether path and every folder above it are writable by their owner only."""
    path = os.path.realpath(path)
    while True:
        if os.stat(path).st_mode & 0o022:
            return False
        if path == os.path.dirname(path):
            return True
        path = os.path.dirname(path)


def wine_scratch_base():
    """A folder for the scratch stations that the audit under Wine finds safe.

    Wine shows a sticky, world-writable folder (/tmp, and a build tree below
    it) as one Everyone may change, and the audit would say so in every case.
    """
    for base in (os.getcwd(), os.path.expanduser("~")):
        if nobody_else_may_change(base):
            return base
    base = "/var/lib/talcheck-tests"
    os.makedirs(base, mode=0o755, exist_ok=True)
    return base


class Scenario:
    def __init__(self, args):
        self.args = args
        base = wine_scratch_base() if args.emulator else None
        self.tmp = tempfile.mkdtemp(prefix="talcheck-audit-", dir=base)
        self.station = os.path.join(self.tmp, "station")
        self.data = os.path.join(self.tmp, "data")
        self.tree = os.path.join(self.tmp, "server")
        self.top = os.path.join(self.tree, "Marl Quill", "MarlQuill")
        for d in (self.station, self.data, self.top):
            os.makedirs(d)
        os.makedirs(os.path.join(self.data, "install"))
        self.server = InstallerServer(self.tree)
        self.server.form = "lower"  # names as they are, escapes and all
        self.env = {}
        self.cleanups = []
        shutil.copy(args.frontend, os.path.join(self.station, "frontend.exe"))  # 5.10.0020
        data = program_path(self.data, bool(args.emulator))
        with open(os.path.join(self.station, "station.ini"), "w", newline="\r\n") as f:
            f.write("[STATIONINFO]\nDBDirectory=%s\n" % data)

    def close(self):
        for cleanup in self.cleanups:
            cleanup()
        self.server.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def command(self, *extra):
        return ([self.args.emulator] if self.args.emulator else []) + [self.args.exe, *extra]

    def run(self, *extra, host=None):
        """(exit code, report text, JSON document) of two runs."""
        env = dict(os.environ, TALCHECK_INSTALLER_HOST=host or self.server.host, **self.env)
        results = []
        for json_flag in ([], ["--json"]):
            out = subprocess.run(self.command(*extra, *json_flag), cwd=self.station, env=env,
                                 capture_output=True, timeout=RUN_TIMEOUT)
            results.append((out.returncode, out.stdout.decode("latin-1").replace("\r\n", "\n")))
        check(results[0][0] == results[1][0], "exit codes differ: %s" % [r[0] for r in results])
        try:
            doc = json.loads(results[1][1])
        except ValueError as e:
            raise Failure("--json output is no JSON (%s): %r" % (e, results[1][1][:300]))
        check(doc["exitCode"] == results[0][0], "exitCode field %s" % doc["exitCode"])
        return results[0][0], results[0][1], doc


def codes(doc, key="warnings"):
    return sorted({w["code"] for w in doc[key]})


def verdicts(doc, line):
    return {c["name"]: c["verdict"] for c in doc[line]["candidates"]}


def sign(s, package, as_file=None):
    """Signs package with test key k1 into signatures/NAME.minisig beside it."""
    check(s.args.keys and s.args.minisign, "needs --keys and --minisign")
    sign_with(s.args.minisign, os.path.join(s.args.keys, "k1.key"), package, as_file=as_file)


def main(cases):
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--frontend", required=True)
    parser.add_argument("--keys")
    parser.add_argument("--minisign")
    parser.add_argument("case", choices=sorted(cases))
    args = parser.parse_args()
    scenario = Scenario(args)
    return run_case(args.case, scenario, lambda: cases[args.case](scenario))
