#!/usr/bin/env python3
"""talcheck-task.exe under Wine, one case per outcome of its command line:
the usage asked for, the usage for a bare command line, and a command run.

  task_e2e.py --exe PATH --emulator WINE_RUN CASE

The program is copied into a folder of the test's own, which "print" must
fill into the task definition; the folder is deleted whatever happens.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "app", "tests"))
from e2e_harness import RUN_TIMEOUT, check, program_path, run_case  # noqa: E402

USAGE_WORDS = ("Usage:", "register", "remove", "print", "Exit codes")


class Scenario:
    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="talcheck-task-")
        self.folder = os.path.join(self.tmp, "Station A&B")
        self.exe = os.path.join(self.folder, "talcheck-task.exe")
        try:
            os.mkdir(self.folder)
            shutil.copy(args.exe, self.exe)
        except OSError:
            self.close()
            raise

    def run(self, *arguments):
        out = subprocess.run([self.args.emulator, self.exe, *arguments], capture_output=True,
                             timeout=RUN_TIMEOUT)
        return out.returncode, out.stdout.decode("utf-8", "replace"), \
            out.stderr.decode("utf-8", "replace")

    def close(self):
        shutil.rmtree(self.tmp, ignore_errors=True)


def is_usage(text):
    return all(word in text for word in USAGE_WORDS)


def case_help(s):
    code, out, err = s.run("--help")
    check(code == 0 and is_usage(out), "exit %d, stdout %r, stderr %r" % (code, out, err))


def case_bare(s):
    code, out, err = s.run()
    check(code == 2 and is_usage(err) and out == "",
          "exit %d, stdout %r, stderr %r" % (code, out, err))


def case_print(s):
    code, out, err = s.run("print")
    folder = program_path(s.folder, True).replace("&", "&amp;")
    want = "<Command>%s\\TalCheck.exe</Command>" % folder
    check(code == 0 and want in out, "exit %d, want %r in %r, stderr %r" % (code, want, out, err))


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--emulator", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    scenario = Scenario(args)
    return run_case(args.case, scenario, lambda: CASES[args.case](scenario))


if __name__ == "__main__":
    sys.exit(main())
