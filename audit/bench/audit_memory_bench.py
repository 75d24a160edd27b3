#!/usr/bin/env python3
"""Peak memory of talcheck-audit against a hostile installer server: every
line folder from 5_1 to 5_PAGES answers with its own page of exactly the
page limit (8 MiB), full of distinct package names. The station is at
5.10.0020, so the audit fetches every one of those pages (the current line
and the probes) and then looks ahead. One run for the readable report, one
with --json; each line gives the program's peak resident memory (from
wait4), its run time, its exit code and the size of what it printed.
With --run, the program is TalCheck itself (--exe build/linux/app/TalCheck),
run once per round: its own folder fetches against the same server.

Name shapes: short (many short names), long (every length, varied
letters), repeats (a's of every length, each with its own numbered tail:
the duplicate test's hostile case, long repeats in a listing about as long
as the page), maximal (259 varied letters each) and oneline (the whole
page one line, so one name at most).

  audit/bench/audit_memory_bench.py [--exe build/linux/audit/talcheck-audit]
                                    [--pages 20] [--rounds 1] [--run]
                                    [--names short|long|repeats|maximal|oneline]

Built nowhere and run by hand, never by ctest. The server runs on
127.0.0.1 in a process of its own and serves pages made once, up front: a
child's peak memory counts what it inherited before it started the
program, so the measuring process stays small (about 10 MiB, the floor of
every figure)."""
import argparse
import http.server
import multiprocessing
import os
import shutil
import subprocess
import tempfile
import time
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PAGE_BYTES = 8 * 1024 * 1024  # net::kMaxPageBytes


ALPHABET = "abcdefghijklmnopqrstuvwxyz0123456789._-"


def short_name(minor, n):
    """Package names and, every other one, a ".zip" name without three
    version fields (which the audit warns about)."""
    return ("5.%d0.%d.zip" if n % 2 else "p%d-%d.zip") % (minor, n)


def long_name(minor, n):
    """Names of every length from 1 to 259 in turn, of pseudo-random
    letters with dots: the listing is about as long as the page, and its
    duplicate test needs the gram index."""
    state, name = (minor * 7919 + n) * 2654435761 % 2**32, []
    for _ in range(1 + (n * 7919) % 259):
        state = (state * 1103515245 + 12345) % 2**32
        name.append(ALPHABET[(state >> 8) * len(ALPHABET) >> 24])
    return "".join(name)


def repeats_name(minor, n):
    """No name occurs in an earlier one: its tail is the only ".N" followed
    by exactly "z"."""
    return "a" * (1 + (n * 7919) % 250) + ".%d%dz" % (minor, n)


def maximal_name(minor, n):
    """Names of the longest length a listing keeps."""
    name = long_name(minor, n * 259)
    while len(name) < 259:
        name += long_name(minor, n * 259 + len(name) + 258)
    return name[:259]


def oneline_name(minor, n):
    return "p%d-%d.zip" % (minor, n)


def make_page(minor, shape):
    """Exactly PAGE_BYTES of links, one per line (all on one line for
    oneline), each name unique to its folder."""
    lines, size, n = [], 0, 0
    end = " " if shape is oneline_name else "\n"
    while True:
        line = '<a href="%s">x</a>%s' % (shape(minor, n), end)
        if size + len(line) > PAGE_BYTES:
            break
        lines.append(line)
        size += len(line)
        n += 1
    return ("".join(lines) + " " * (PAGE_BYTES - size)).encode()


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, pages, shape):
        super().__init__(("127.0.0.1", 0), Handler)
        self.pages = {"5_%d Installers" % m: make_page(m, shape) for m in range(1, pages + 1)}


def serve(pages, shape, port):
    server = Server(pages, shape)
    port.send(server.server_address[1])
    server.serve_forever()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = [p for p in urllib.parse.unquote(self.path).split("/") if p]
        body = self.server.pages.get(parts[-1] if parts else "")
        status = 200 if body else 404
        body = body or b"<html><body>404</body></html>\n"
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def measured_run(command, cwd, env):
    """(peak RSS in MiB, seconds, exit code, bytes printed) of one run."""
    with tempfile.TemporaryFile() as out:
        started = time.monotonic()
        child = subprocess.Popen(command, cwd=cwd, env=env, stdout=out, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.monotonic() - started
        child.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0, os.SEEK_END)
        return usage.ru_maxrss / 1024, seconds, child.returncode, out.tell()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", default=os.path.join(ROOT, "build", "linux", "audit",
                                                      "talcheck-audit"))
    parser.add_argument("--pages", type=int, default=20)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--names", choices=["short", "long", "repeats", "maximal", "oneline"],
                        default="short")
    parser.add_argument("--run", action="store_true", help="the program is TalCheck")
    args = parser.parse_args()
    port, child_port = multiprocessing.Pipe()
    server = multiprocessing.Process(target=serve,
                                     args=(args.pages, globals()[args.names + "_name"], child_port), daemon=True)
    server.start()
    station = tempfile.mkdtemp(prefix="talcheck-audit-bench-")
    try:
        with open(os.path.join(station, "station.ini"), "w", newline="\r\n") as f:
            f.write("[STATIONINFO]\nFrontendVersion=5.10.0020\nDBDirectory=%s\n" % station)
        env = dict(os.environ, TALCHECK_INSTALLER_HOST="127.0.0.1:%d" % port.recv())
        print("%d pages of %d bytes, %s names" % (args.pages, PAGE_BYTES, args.names))
        for _ in range(args.rounds):
            for flags in ([[]] if args.run else [[], ["--json"]]):
                rss, seconds, code, printed = measured_run([args.exe] + flags, station, env)
                print("%-6s peak %7.1f MiB  %6.1f s  exit %d  printed %d bytes" %
                      (" ".join(flags) or ("run" if args.run else "text"), rss, seconds, code, printed), flush=True)
    finally:
        server.terminate()
        server.join()
        shutil.rmtree(station, ignore_errors=True)


if __name__ == "__main__":
    main()
