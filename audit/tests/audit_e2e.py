#!/usr/bin/env python3
"""End-to-end tests of talcheck-audit against an installer server on
127.0.0.1 that the test starts itself.

  audit_e2e.py --exe PATH [--emulator WINE_RUN] --frontend EXE
                 [--keys DIR --minisign PATH] CASE

The signed_* cases need the program built with the test keys of DIR
(k1.key, made by minisign at build time).

Each case runs the program twice, for the readable report and with --json,
and checks both and the exit code (0 up to date, 1 update available,
2 problems, 3 unreachable).
"""
import argparse
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app",
                                "tests"))
from e2e_harness import (RUN_TIMEOUT, Failure, check, closed_port, program_path,  # noqa: E402
                         run_case)
from e2e_harness import sign as sign_with  # noqa: E402
from e2e_server import QuietHandler, SilentServer, make_package, package_files  # noqa: E402


class Server(http.server.ThreadingHTTPServer):
    """Folder pages in one of three forms per folder: "lower" (one
    <a href="..."> per line), "upper" (<A HREF=...>), "two" (two links on
    one line). Unknown folders: 404 without links, or a catch-all page."""

    daemon_threads = True

    def __init__(self, root):
        super().__init__(("127.0.0.1", 0), Handler)
        self.root = root
        self.forms = {}
        self.pages = {}  # folder name: a page of its own, served instead of the listing
        self.catch_all = False
        threading.Thread(target=self.serve_forever, daemon=True).start()

    @property
    def host(self):
        return "127.0.0.1:%d" % self.server_address[1]


class Handler(QuietHandler):
    def page(self, local, names):
        form = self.server.forms.get(os.path.basename(local), "lower")
        if form == "upper":
            lines = ['<LI><A HREF="%s">%s</A></LI>' % (n, n) for n in names]
        elif form == "two":
            lines = [" ".join('<a href="%s">%s</a>' % (n, n) for n in names)]
        else:
            lines = ['<li><a href="%s">%s</a></li>' % (n, n) for n in names]
        return ("<html><body>\n%s\n</body></html>\n" % "\n".join(lines)).encode()

    def do_GET(self):
        parts = [p for p in urllib.parse.unquote(self.path).split("/") if p]
        local = os.path.join(self.server.root, *parts)
        if parts and parts[-1] in self.server.pages:
            return self.send(200, self.server.pages[parts[-1]])
        if os.path.isdir(local):
            return self.send(200, self.page(local, sorted(os.listdir(local))))
        if os.path.isfile(local):
            with open(local, "rb") as f:
                return self.send(200, f.read(), "application/zip")
        if self.server.catch_all:
            return self.send(404, b'<html><body>\n<a href="help.html">Help</a>\n</body></html>\n')
        return self.send(404, b"<html><body><h1>404 Not Found</h1></body></html>\n")


def add_packages(top, line, versions):
    folder = os.path.join(top, "%s Installers" % line)
    for v in versions:
        make_package(os.path.join(folder, v + ".zip"), package_files(v))
    return folder


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
        self.server = Server(self.tree)
        self.env = {}
        self.cleanups = []
        shutil.copy(args.frontend, os.path.join(self.station, "frontend.exe"))  # 5.10.0020
        data = program_path(self.data, bool(args.emulator))
        with open(os.path.join(self.station, "station.ini"), "w", newline="\r\n") as f:
            f.write("[STATIONINFO]\nDBDirectory=%s\n" % data)

    def close(self):
        for cleanup in self.cleanups:
            cleanup()
        self.server.shutdown()
        self.server.server_close()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def run(self, *extra, host=None):
        """(exit code, report text, JSON document) of two runs."""
        command = ([self.args.emulator] if self.args.emulator else []) + [self.args.exe]
        env = dict(os.environ, TALCHECK_INSTALLER_HOST=host or self.server.host, **self.env)
        results = []
        for json_flag in ([], ["--json"]):
            out = subprocess.run(command + list(extra) + json_flag, cwd=self.station, env=env,
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


# ---------------------------------------------------------------- cases


def case_up_to_date(s):
    add_packages(s.top, "5_1", ["5.10.0019", "5.10.0020"])
    code, text, doc = s.run()
    check(code == 0 and doc["result"] == "up_to_date", "exit %d, %s" % (code, doc["result"]))
    st = doc["station"]
    check(st["installed"] == "5.10.0020" and st["versionSource"] == "frontend.exe", "station %s" % st)
    check(st["installExists"] and st["installWritable"], "install directory %s" % st)
    check([r["role"] for r in doc["requests"]][:2] == ["current", "probe"], doc["requests"])
    check(doc["requests"][0]["status"] == 200 and doc["requests"][0]["bytes"] > 0,
          "first request %s" % doc["requests"][0])
    check(doc["current"]["chosen"] == "" and doc["warnings"] == [], "doc %s" % doc)
    check(verdicts(doc, "current")["5.10.0020.zip"] ==
          "build 20 is not above the installed build 20", verdicts(doc, "current"))
    check("Installed version 5.10.0020 from frontend.exe" in text, text)
    check(doc["schemaVersion"] == 2 and doc["tool"] == "talcheck-audit" and doc["toolVersion"],
          "identity %s" % {k: doc[k] for k in list(doc)[:5]})
    check(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d", doc["time"]), doc["time"])
    check(list(doc)[:5] == ["schemaVersion", "tool", "toolVersion", "computer", "time"], list(doc))
    check("Result: up_to_date (exit code 0)" in text, text)


def case_update_both(s):
    add_packages(s.top, "5_1", ["5.10.0019", "5.10.0021", "5.10.0023"])
    add_packages(s.top, "5_2", ["5.20.0001"])
    code, text, doc = s.run("--download")
    check(code == 1 and doc["result"] == "update_available", "exit %d: %s" % (code, text))
    check(doc["current"]["chosen"] == "5.10.0023.zip", "current %s" % doc["current"])
    check(doc["newest"]["chosen"] == "5.20.0001.zip" and
          doc["newest"]["folder"] == "/5_2%20Installers/", "newest %s" % doc["newest"])
    v = verdicts(doc, "current")
    check(v["5.10.0021.zip"] == "replaced by the later 5.10.0023.zip", v)
    check(v["5.10.0019.zip"].startswith("build 19 is not above"), v)
    check(doc["probeStop"].startswith("/5_3%20Installers/ has no names (status 404)"),
          doc["probeStop"])
    packages = doc["packages"]
    check([p["name"] for p in packages] == ["5.10.0023.zip", "5.20.0001.zip"], packages)
    check(all(p["passed"] and p["items"] == 2 for p in packages), packages)
    check("5.10.0023.zip -> 5.10.0023.zip" in text and "5.20.0001.zip: " in text, text)
    left = [n for n in os.listdir(s.station) if n.endswith(".zip")]
    check(not left and not os.listdir(os.path.join(s.data, "install")), "files left: %s" % left)


def case_upper_case(s):
    add_packages(s.top, "5_1", ["5.10.0023"])
    s.server.forms["5_1 Installers"] = "upper"
    code, text, doc = s.run()
    check(code == 2 and "upper_case_anchor" in codes(doc), "exit %d, %s" % (code, codes(doc)))
    check(doc["current"]["chosen"] == "", "the run cannot see the package")
    check("[upper_case_anchor] /5_1%20Installers/: 1 link(s) in upper case" in text, text)


def case_two_links(s):
    add_packages(s.top, "5_1", ["5.10.0021", "5.10.0023"])
    s.server.forms["5_1 Installers"] = "two"
    code, text, doc = s.run()
    check(code == 2 and codes(doc) == ["links_merged"], "exit %d, %s" % (code, codes(doc)))
    names = doc["requests"][0]["names"]
    check(len(names) == 1 and names[0].startswith("5.10.0021.zip\">"), "names %s" % names)
    check("[links_merged] /5_1%20Installers/: 1 line(s) with several links" in text, text)


def case_missing_middle(s):
    add_packages(s.top, "5_1", ["5.10.0023"])
    add_packages(s.top, "5_3", ["5.30.0002"])
    code, text, doc = s.run()
    check(code == 2 and codes(doc) == ["gap"], "exit %d, %s" % (code, codes(doc)))
    check(doc["newest"]["folder"] == "" and doc["current"]["chosen"] == "5.10.0023.zip", doc)
    roles = [(r["role"], r["folder"]) for r in doc["requests"]]
    check(("lookahead", "/5_3%20Installers/") in roles, "requests %s" % roles)
    check("[gap] /5_3%20Installers/ holds packages, but probing stops at /5_2%20Installers/"
          in text, text)


def case_catch_all(s):
    add_packages(s.top, "5_1", ["5.10.0021"])
    add_packages(s.top, "5_2", ["5.20.0001"])
    s.server.catch_all = True
    code, text, doc = s.run()
    check(code == 2 and "catch_all" in codes(doc) and "error_page_names" in codes(doc),
          "exit %d, %s" % (code, codes(doc)))
    check(doc["newest"]["chosen"] == "5.20.0001.zip", "newest %s" % doc["newest"])
    check("gap" not in codes(doc), "the catch-all page counted as a line")
    check("repeats the page of /5_3%20Installers/" in text, text)


def case_unreachable(s):
    code, text, doc = s.run(host="127.0.0.1:%d" % closed_port())
    check(code == 3 and doc["result"] == "unreachable", "exit %d" % code)
    check(not any(r["reached"] for r in doc["requests"]), doc["requests"])
    check("no answer after" in text and "Result: unreachable (exit code 3)" in text, text)


def case_tree(s):
    add_packages(s.top, "5_1", ["5.10.0021", "5.10.0023"])
    folder = add_packages(s.top, "5_3", ["5.30.0001"])
    with open(os.path.join(folder, "5.30.0002.zip"), "wb") as f:
        f.write(b"PK\x03\x04 not really an archive")
    shutil.copy(os.path.join(folder, "5.30.0001.zip"), os.path.join(folder, "setup.zip"))
    tree = program_path(s.tree, bool(s.args.emulator))
    code, text, doc = s.run("--tree", tree)
    check(code == 2 and doc["result"] == "problems", "exit %d" % code)
    check(codes(doc, "problems") == ["gap", "name_unparsable", "package_broken"],
          "problems %s" % doc["problems"])
    broken = [p["name"] for p in doc["packages"] if not p["passed"]]
    check(broken == ["5_3 Installers/5.30.0002.zip"], "broken %s" % broken)
    check("no folder 5_2 Installers between 5_1 Installers and 5_3 Installers" in text, text)
    # The same tree mended is ready.
    os.remove(os.path.join(folder, "5.30.0002.zip"))
    os.remove(os.path.join(folder, "setup.zip"))
    add_packages(s.top, "5_2", ["5.20.0001"])
    code, text, doc = s.run("--tree", tree)
    check(code == 0 and doc["problems"] == [] and len(doc["packages"]) == 4,
          "exit %d: %s" % (code, text))


def sign(s, package, as_file=None):
    """Signs package with test key k1 into signatures/NAME.minisig beside it."""
    check(s.args.keys and s.args.minisign, "needs --keys and --minisign")
    sign_with(s.args.minisign, os.path.join(s.args.keys, "k1.key"), package, as_file=as_file)


def case_large_pages(s):
    """Every line folder answers with a large page of its own (package names
    and, every other line, names without versions): the report keeps a
    bounded part of each and says how much it left out."""
    counts = [(1 << 20) // 24] * 3
    for minor in (1, 2, 3):
        s.server.pages["5_%d Installers" % minor] = "".join(
            '<a href="%s">x</a>\n' % (("5.%d0.%d.zip" if n % 2 else "p%d-%d.zip") % (minor, n))
            for n in range(counts[0])).encode()
    code, text, doc = s.run()
    requests = [r for r in doc["requests"] if r["nameCount"]]
    check(code == 2 and len(text) < 100000 and [r["nameCount"] for r in requests] == counts,
          "exit %d, %d bytes: %s" % (code, len(text), doc["requests"]))
    for r in requests:
        warned = [w["text"] for w in doc["warnings"] if w["text"].startswith(r["folder"])]
        check(len(r["names"]) == 100 and len(warned) == 21 and
              "%d more names" % (counts[0] // 2 - 20) in warned[-1], warned[-1:])
    for line in ("current", "newest"):
        kept = doc[line]["candidates"]
        check(len(kept) == 100 and kept[-1]["verdict"] == "chosen" and
              doc[line]["candidateCount"] == counts[0], doc[line])
    check(" %d more, not kept" % (counts[0] - 100) in text and "more candidates" in text, text)


def case_signed_download(s):
    signed = add_packages(s.top, "5_1", ["5.10.0023"])
    add_packages(s.top, "5_2", ["5.20.0001"])
    sign(s, os.path.join(signed, "5.10.0023.zip"))
    code, text, doc = s.run("--download")
    check(code == 2, "exit %d: %s" % (code, text))
    good, unsigned = doc["packages"]
    check(good["signature"] == "verified" and good["passed"], "signed package %s" % good)
    check(unsigned["signature"].startswith("no signature") and not unsigned["passed"] and
          unsigned["problem"].startswith("signature refused: "), "unsigned package %s" % unsigned)
    check("5.10.0023.zip: " in text and "signature verified, passed" in text, text)


def case_signed_tree(s):
    folder = add_packages(s.top, "5_1", ["5.10.0021", "5.10.0023", "5.10.0025"])
    sign(s, os.path.join(folder, "5.10.0021.zip"))
    # A valid signature of another package under this one's name.
    sign(s, os.path.join(folder, "5.10.0025.zip"), os.path.join(folder, "5.10.0021.zip"))
    tree = program_path(s.tree, bool(s.args.emulator))
    code, text, doc = s.run("--tree", tree)
    check(code == 2, "exit %d: %s" % (code, text))
    check(codes(doc, "problems") == ["signature_missing", "signature_refused"],
          "problems %s" % doc["problems"])
    by_name = {p["name"]: p for p in doc["packages"]}
    check(by_name["5_1 Installers/5.10.0021.zip"]["signature"] == "verified", by_name)
    check(by_name["5_1 Installers/5.10.0023.zip"]["signature"] == "no signature", by_name)
    for name in ("5.10.0023.zip", "5.10.0025.zip"):
        sign(s, os.path.join(folder, name))
    code, text, doc = s.run("--tree", tree)
    check(code == 0 and doc["problems"] == [], "exit %d: %s" % (code, text))


# ---------------------------------------------------------------- set-ups
# One row per station or server set-up: a function that makes it (and may
# return a check of its own), the warning codes, and the exit code.


def station_ini(s, db_directory):
    with open(os.path.join(s.station, "station.ini"), "w", newline="\r\n") as f:
        f.write("[STATIONINFO]\nDBDirectory=%s\n" % db_directory)


def no_version_files(s):
    os.remove(os.path.join(s.station, "frontend.exe"))
    os.remove(os.path.join(s.station, "station.ini"))


def install_link(s):
    install, outside = os.path.join(s.data, "install"), os.path.join(s.tmp, "outside")
    os.rmdir(install)
    os.makedirs(outside)
    os.symlink(outside, install)
    before = os.stat(outside).st_mtime_ns
    return lambda text, doc: check(os.listdir(outside) == [] and os.stat(outside).st_mtime_ns ==
                                   before, "made or touched through the link")


def times_kept(s):
    install = os.path.join(s.data, "install")
    os.utime(install, ns=(10**9, 10**9))
    return lambda text, doc: check(doc["station"]["installWritable"] and
                                   os.stat(install).st_mtime_ns == 10**9, "install's time changed")


def zip_part(s):
    folder = add_packages(s.top, "5_1", ["5.10.0023"])
    shutil.copy(os.path.join(folder, "5.10.0023.zip"), os.path.join(folder, "5.10.0029.zip.part"))


def one_failed_request(failure, words):
    def checked(text, doc):
        check([r["failure"] for r in doc["requests"]] == [failure], doc["requests"])
        check(words in text and s_took[0] < 20, "%s, %.1f s:\n%s" % (words, s_took[0], text))
    return checked


def dead_proxy(s):
    proxy = "127.0.0.1:%d" % closed_port()
    s.env.update(http_proxy=proxy, no_proxy="", NO_PROXY="")
    return one_failed_request("proxy", "proxy %s cannot be reached" % proxy)


def silent(s):
    server = SilentServer()
    s.cleanups.append(server.stop)
    s.host, s.extra = server.host, ["--timeout", "2"]
    return one_failed_request("timeout", "no answer in time: " + server.host)


def station_unsafe(s):
    os.chmod(s.data, 0o777)  # Wine shows it as an ACE for Everyone
    fix = "icacls \"%s\" /inheritance:r" if s.args.emulator else "chmod go-w '%s'"
    want = fix % program_path(s.data, bool(s.args.emulator))
    return lambda text, doc: check(want in doc["warnings"][0]["text"], doc["warnings"])


def escaped_names(s):
    add_packages(s.top, "5_1", ["5.10.0023"])
    for name in ("\x1b[2Jx.txt", "\x9b2Jy.txt", "\x7fz.txt"):
        os.makedirs(os.path.join(s.top, "5_2 Installers", name))

    def escaped(text, doc):
        raw = text.encode("latin-1")
        check(b"\x1b" not in raw and b"\xc2\x9b" not in raw and b"\x7f" not in raw, text)
        for shown in ("\\x1B[2Jx.txt", "\\xC2\\x9B2Jy.txt", "\\x7Fz.txt"):
            check(shown in text, "%s not in %s" % (shown, text))
        check("\x9b2Jy.txt" in doc["requests"][1]["names"], doc["requests"][1])
    return escaped


s_took = [0.0]
SETUPS = {
    "no_version_files": (no_version_files, ["default_version", "no_data_directory"], 2),
    "empty_db_directory": (lambda s: station_ini(s, ""), ["no_data_directory"], 2),
    "install_cannot_be_made": (lambda s: station_ini(s, program_path(
        os.path.join(s.tmp, "no", "data"), bool(s.args.emulator))), ["install_not_creatable"], 2),
    "install_link": (install_link, ["install_not_writable"], 2),
    "times_kept": (times_kept, [], 0),
    "all_404": (lambda s: shutil.rmtree(os.path.join(s.top, "5_1 Installers")),
                ["line_folder_missing"], 2),
    "zip_part": (zip_part, ["not_a_zip_name"], 2),
    "dead_proxy": (dead_proxy, [], 3),
    "silent": (silent, [], 3),
    "escaped_names": (escaped_names, [], 1),
    "station_unsafe": (station_unsafe, ["station_unsafe"], 2),
}


def run_setup(s, row):
    setup, want_codes, want_exit = SETUPS[row]
    s.host, s.extra = None, []
    add_packages(s.top, "5_1", ["5.10.0019"])
    extra_check = setup(s)
    started = time.monotonic()
    code, text, doc = s.run(*s.extra, host=s.host)
    s_took[0] = time.monotonic() - started
    check(code == want_exit and codes(doc) == want_codes, "exit %d, warnings %s:\n%s" %
          (code, codes(doc), text))
    if extra_check:
        extra_check(text, doc)


def case_missing_station(s):
    command = ([s.args.emulator] if s.args.emulator else []) + [s.args.exe]
    out = subprocess.run(command + ["--station", os.path.join(s.tmp, "nonexistent")],
                         capture_output=True, timeout=RUN_TIMEOUT)
    check(out.returncode == 64, "exit %d" % out.returncode)


def case_version(s):
    command = ([s.args.emulator] if s.args.emulator else []) + [s.args.exe, "--version"]
    out = subprocess.run(command, capture_output=True, timeout=RUN_TIMEOUT)
    text = out.stdout.decode().strip()
    check(out.returncode == 0 and re.fullmatch(r"\d+\.\d+\.\d+", text), text)


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}
for _row in SETUPS:
    CASES["setup_" + _row] = lambda s, row=_row: run_setup(s, row)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--frontend", required=True)
    parser.add_argument("--keys")
    parser.add_argument("--minisign")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    scenario = Scenario(args)
    return run_case(args.case, scenario, lambda: CASES[args.case](scenario))


if __name__ == "__main__":
    sys.exit(main())
