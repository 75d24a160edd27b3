#!/usr/bin/env python3
"""talcheck-audit against one table of station and server set-ups, one case
setup_<row> each: the warning codes and the exit code of each, and the check
of its own a row may add. Among them folder pages the run reads otherwise
than a person would: links in upper case or on one line, a missing line
folder, a catch-all server, and large pages. Arguments as audit_harness.py
says.
"""
import os
import shutil
import sys
import time

from audit_harness import add_packages, codes, main
from e2e_harness import check, closed_port, program_path
from e2e_server import SilentServer


def no_version_files(s):
    os.remove(os.path.join(s.station, "frontend.exe"))
    os.remove(os.path.join(s.station, "station.ini"))


def install_cannot_be_made(s):
    data = program_path(os.path.join(s.tmp, "no", "data"), bool(s.args.emulator))
    with open(os.path.join(s.station, "station.ini"), "w", newline="\r\n") as f:
        f.write("[STATIONINFO]\nDBDirectory=%s\n" % data)


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
    folder = add_packages(s.tree, "5_1", ["5.10.0023"])
    shutil.copy(os.path.join(folder, "5.10.0023.zip"), os.path.join(folder, "5.10.0029.zip.part"))


def one_failed_request(s, failure, words):
    def checked(text, doc):
        check([r["failure"] for r in doc["requests"]] == [failure], doc["requests"])
        check(words in text and s.took < 20, "%s, %.1f s:\n%s" % (words, s.took, text))
    return checked


def dead_proxy(s):
    proxy = "127.0.0.1:%d" % closed_port()
    s.env.update(http_proxy=proxy, no_proxy="", NO_PROXY="")
    return one_failed_request(s, "proxy", "proxy %s cannot be reached" % proxy)


def silent(s):
    server = SilentServer()
    s.cleanups.append(server.stop)
    s.host, s.extra = server.host, ["--timeout", "2"]
    return one_failed_request(s, "timeout", "no answer in time: " + server.host)


def station_unsafe(s):
    os.chmod(s.data, 0o777)  # Wine shows it as an ACE for Everyone
    fix = "icacls \"%s\" /inheritance:r" if s.args.emulator else "chmod go-w '%s'"
    want = fix % program_path(s.data, bool(s.args.emulator))
    return lambda text, doc: check(want in doc["warnings"][0]["text"], doc["warnings"])


def escaped_names(s):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    for name in ("\x1b[2Jx.txt", "\x9b2Jy.txt", "\x7fz.txt"):
        os.makedirs(os.path.join(s.top, "5_2 Installers", name))

    def escaped(text, doc):
        raw = text.encode("latin-1")
        check(b"\x1b" not in raw and b"\xc2\x9b" not in raw and b"\x7f" not in raw, text)
        for shown in ("\\x1B[2Jx.txt", "\\xC2\\x9B2Jy.txt", "\\x7Fz.txt"):
            check(shown in text, "%s not in %s" % (shown, text))
        check("\x9b2Jy.txt" in doc["requests"][1]["names"], doc["requests"][1])
    return escaped


def in_text(*words):
    def checked(text, doc):
        for w in words:
            check(w in text, "%r not in:\n%s" % (w, text))
    return checked


def page_forms(s):
    # Links the run cannot read: in upper case in one folder, all on one line in the next.
    add_packages(s.tree, "5_1", ["5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0001", "5.20.0002"])
    s.server.forms.update({"5_1 Installers": "upper", "5_2 Installers": "two"})
    return in_text("[upper_case_anchor] /5_1%20Installers/: 2 link(s) in upper case",
                   "[links_merged] /5_2%20Installers/: 1 line(s) with several links")


def missing_middle(s):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    add_packages(s.tree, "5_3", ["5.30.0002"])
    return in_text("[gap] /5_3%20Installers/ holds packages, but probing stops at "
                   "/5_2%20Installers/")


def catch_all(s):
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.server.unknown = "catch-all"
    return lambda text, doc: check(doc["newest"]["chosen"] == "5.20.0001.zip" and
                                   "repeats the page of /5_3%20Installers/" in text, text)


def large_pages(s):
    """Every line folder answers with a large page of its own (package names
    and, every other line, names without versions): the report keeps a
    bounded part of each and says how much it left out."""
    count = (1 << 20) // 24
    for minor in (1, 2, 3):
        s.server.pages["5_%d Installers" % minor] = "".join(
            '<a href="%s">x</a>\n' % (("5.%d0.%d.zip" if n % 2 else "p%d-%d.zip") % (minor, n))
            for n in range(count)).encode()

    def bounded(text, doc):
        requests = [r for r in doc["requests"] if r["nameCount"]]
        check(len(text) < 100000 and [r["nameCount"] for r in requests] == [count] * 3,
              "%d bytes: %s" % (len(text), doc["requests"]))
        for r in requests:
            warned = [w["text"] for w in doc["warnings"] if w["text"].startswith(r["folder"])]
            check(len(r["names"]) == 100 and len(warned) == 21 and
                  "%d more names" % (count // 2 - 20) in warned[-1], warned[-1:])
        for line in ("current", "newest"):
            kept = doc[line]["candidates"]
            check(len(kept) == 100 and kept[-1]["verdict"] == "chosen" and
                  doc[line]["candidateCount"] == count, doc[line])
        check(" %d more, not kept" % (count - 100) in text and "more candidates" in text, text)
    return bounded


# One row per station or server set-up: a function that makes it (and may
# return a check of its own), the warning codes, and the exit code.
SETUPS = {
    "no_version_files": (no_version_files, ["default_version", "no_data_directory"], 2),
    "install_cannot_be_made": (install_cannot_be_made, ["install_not_creatable"], 2),
    "install_link": (install_link, ["install_not_writable"], 2),
    "times_kept": (times_kept, [], 0),
    "all_404": (lambda s: shutil.rmtree(os.path.join(s.top, "5_1 Installers")),
                ["line_folder_missing"], 2),
    "zip_part": (zip_part, ["not_a_zip_name"], 2),
    "dead_proxy": (dead_proxy, [], 3),
    "silent": (silent, [], 3),
    "escaped_names": (escaped_names, [], 1),
    "station_unsafe": (station_unsafe, ["station_unsafe"], 2),
    "page_forms": (page_forms, ["links_merged", "upper_case_anchor"], 2),
    "missing_middle": (missing_middle, ["gap"], 2),
    "catch_all": (catch_all, ["catch_all", "error_page_names"], 2),
    "large_pages": (large_pages, ["name_unparsable"], 2),
}


def run_setup(s, row):
    setup, want_codes, want_exit = SETUPS[row]
    s.host, s.extra = None, []
    add_packages(s.tree, "5_1", ["5.10.0019"])
    extra_check = setup(s)
    started = time.monotonic()
    code, text, doc = s.run(*s.extra, host=s.host)
    s.took = time.monotonic() - started
    check(code == want_exit and codes(doc) == want_codes, "exit %d, warnings %s:\n%s" %
          (code, codes(doc), text))
    if extra_check:
        extra_check(text, doc)


if __name__ == "__main__":
    sys.exit(main({"setup_" + row: lambda s, row=row: run_setup(s, row) for row in SETUPS}))
