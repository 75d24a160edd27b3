#!/usr/bin/env python3
"""Whole runs with one package of about 200 MB, signed by minisign with the
test key of the build: the program without keys and the one with keys, in
turn; prints mean run times, the share of the signed run that the check
costs, and the CPU time of program and server. Part of
run_signature_bench.sh.

The installer server is app/tests/e2e.py's, in this process, unless --host
names one that serves --tree (where the package is made) and --server-pids
its processes."""
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


def cpu_seconds(who):
    usage = resource.getrusage(who)
    return usage.ru_utime + usage.ru_stime


def process_cpu_seconds(pids):
    """CPU time of the processes and their children (nginx's workers)."""
    ticks = 0
    for pid in pids:
        children = subprocess.run(["pgrep", "-P", str(pid)], capture_output=True, text=True)
        for p in [pid] + [int(c) for c in children.stdout.split()]:
            with open("/proc/%d/stat" % p) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])
    return ticks / os.sysconf("SC_CLK_TCK")


def timed_run(program, tree, host, server_pids):
    """Run time, the program's CPU time and the server's."""
    s = e2e.Scenario(program)
    try:
        os.rmdir(s.tree)
        os.symlink(tree, s.tree)
        s.station_files()
        server = (lambda: process_cpu_seconds(server_pids)) if host else (
            lambda: cpu_seconds(resource.RUSAGE_SELF))
        before, served = cpu_seconds(resource.RUSAGE_CHILDREN), server()
        code, seconds = s.run(host=host)
        cpu = cpu_seconds(resource.RUSAGE_CHILDREN) - before
        served = server() - served
        e2e.check(code == 0, "exit code %d" % code)
        log = s.log_messages()
        e2e.check(log == ["START"] + e2e.package_log(NAME) + ["END"], "log %s" % log)
        return seconds, cpu, served
    finally:
        if os.path.islink(s.tree):
            os.unlink(s.tree)
            os.makedirs(s.tree)
        s.close()


def arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--megabytes", type=int, default=200)
    parser.add_argument("--host", help="installer server HOST:PORT serving --tree")
    parser.add_argument("--tree", help="the served directory, made here")
    parser.add_argument("--server-pids", type=int, nargs="*", default=[])
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    return args


def report(args, figures):
    """Prints the means of figures: {build: [(wall, program CPU, server CPU)]}."""
    mean, cpu_mean, server_mean = ({k: sum(f[i] for f in v) / len(v) for k, v in figures.items()}
                                   for i in range(3))
    print("whole run, %d MB package, %d rounds: unsigned %.3f s, signed %.3f s" %
          (args.megabytes, args.rounds, mean["unsigned"], mean["signed"]))
    print("verification cost: %.3f s = %.1f%% of the signed run" %
          (mean["signed"] - mean["unsigned"],
           100 * (mean["signed"] - mean["unsigned"]) / mean["signed"]))
    print("CPU time: program unsigned %.3f s, signed %.3f s; server %s %.3f s, %.3f s" %
          (cpu_mean["unsigned"], cpu_mean["signed"], "nginx" if args.host else "e2e.py",
           server_mean["unsigned"], server_mean["signed"]))


def main():
    args = arguments()
    tree = args.tree or os.path.join(args.build, "signed_run_bench_tree")
    subprocess.run(["rm", "-rf", os.path.join(tree, "Marl Quill")], check=True)
    package = os.path.join(tree, "Marl Quill", "MarlQuill", "5_1 Installers", NAME)
    make_big_package(package, args.megabytes)
    keys = os.path.join(args.build, "app", "tests", "e2e_keys")
    Signer("minisign", keys).sign(package, os.path.join(keys, "k1.key"))
    frontend = os.path.join(args.build, "testing", "frontend_fixture.exe")

    def program(exe):
        ns = argparse.Namespace(exe=os.path.join(args.build, "app", exe), emulator=None,
                                frontend=frontend, probe=None)
        return e2e.Program(ns)
    plain = program("TalCheck")
    signed = program(os.path.join("tests", "TalCheckSigned"))
    figures = {"unsigned": [], "signed": []}
    try:
        for _ in range(args.rounds):
            for name, prog in (("unsigned", plain), ("signed", signed)):
                figures[name].append(timed_run(prog, tree, args.host, args.server_pids))
    finally:
        subprocess.run(["rm", "-rf", os.path.join(tree, "Marl Quill") if args.tree else tree],
                       check=True)
    report(args, figures)
    return 0


if __name__ == "__main__":
    sys.exit(main())
