#!/usr/bin/env python3
"""Whole runs with one package of about 200 MB, signed by minisign with the
test key of the build: the program without keys and the one with keys, in
turn; prints mean run times and the share of the signed run that the check
costs. Part of run_signature_bench.sh."""
import argparse
import os
import resource
import subprocess
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "app", "tests"))
import e2e  # noqa: E402
from e2e_signed import Signer  # noqa: E402

NAME = "5.10.0023.zip"


def make_big_package(path, megabytes):
    """Stored items of pseudo-random bytes, so extraction costs what copying
    costs and the size is what is asked."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    block = bytes((i * 2654435761 >> 13) & 255 for i in range(1 << 20))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for n in range(megabytes // 8):
            z.writestr("data/part%03d.bin" % n, (block[n:] + block[:n]) * 8)


def timed_run(program, tree):
    s = e2e.Scenario(program)
    try:
        os.rmdir(s.tree)
        os.symlink(tree, s.tree)
        s.station_files()
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        code, seconds = s.run()
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)
        e2e.check(code == 0, "exit code %d" % code)
        log = s.log_messages()
        e2e.check(log == ["START"] + e2e.package_log(NAME) + ["END"], "log %s" % log)
        return seconds, cpu
    finally:
        if os.path.islink(s.tree):
            os.unlink(s.tree)
            os.makedirs(s.tree)
        s.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--megabytes", type=int, default=200)
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    tree = os.path.join(args.build, "signed_run_bench_tree")
    subprocess.run(["rm", "-rf", tree], check=True)
    package = os.path.join(tree, "Marl Quill", "MarlQuill", "5_1 Installers", NAME)
    make_big_package(package, args.megabytes)
    keys = os.path.join(args.build, "app", "tests", "e2e_keys")
    Signer("minisign", keys).sign(package, os.path.join(keys, "k1.key"))
    frontend = os.path.join(args.build, "app", "tests", "frontend_fixture.exe")

    def program(exe):
        ns = argparse.Namespace(exe=os.path.join(args.build, "app", exe), emulator=None,
                                frontend=frontend, probe=None)
        return e2e.Program(ns)
    plain = program("TalCheck")
    signed = program(os.path.join("tests", "TalCheckSigned"))
    times = {"unsigned": [], "signed": []}
    cpu = {"unsigned": [], "signed": []}
    try:
        for _ in range(args.rounds):
            for name, prog in (("unsigned", plain), ("signed", signed)):
                wall, used = timed_run(prog, tree)
                times[name].append(wall)
                cpu[name].append(used)
    finally:
        subprocess.run(["rm", "-rf", tree], check=True)
    mean = {k: sum(v) / len(v) for k, v in times.items()}
    cpu_mean = {k: sum(v) / len(v) for k, v in cpu.items()}
    print("whole run, %d MB package, %d rounds: unsigned %.3f s, signed %.3f s" %
          (args.megabytes, args.rounds, mean["unsigned"], mean["signed"]))
    print("verification cost: %.3f s = %.1f%% of the signed run" %
          (mean["signed"] - mean["unsigned"],
           100 * (mean["signed"] - mean["unsigned"]) / mean["signed"]))
    print("program CPU time: unsigned %.3f s, signed %.3f s" %
          (cpu_mean["unsigned"], cpu_mean["signed"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
