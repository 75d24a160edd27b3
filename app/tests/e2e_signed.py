#!/usr/bin/env python3
"""End-to-end tests of a TalCheck build with compiled-in package keys; DIR
holds the secret keys k1.key and k2.key (made by minisign, no password). Each
case serves 5.10.0023.zip, whose signature it is about, and 5.20.0001.zip,
always signed well and installed whatever became of the first.

  e2e_signed.py --exe PATH --keys DIR --minisign PATH [--emulator WINE_RUN]
                [--frontend EXE] CASE
"""
import os
import sys

import e2e
import e2e_harness
import e2e_server
import e2e_station
from e2e_harness import check
from e2e_station import folder, package_log

FIRST = "5.10.0023.zip"
SECOND = "5.20.0001.zip"


class Signer:
    def __init__(self, minisign, keys):
        self.key = lambda name: os.path.join(keys, name + ".key")
        self.sign = lambda package, key: e2e_harness.sign(minisign, key, package)


def setup(s, key="k1"):
    """Serves both packages, the first one signed with key; returns its path."""
    signer = Signer(s.args.minisign, s.args.keys)
    first = os.path.join(e2e_server.add_packages(s.tree, "5_1", ["5.10.0023"]), FIRST)
    second = e2e_server.add_packages(s.tree, "5_2", ["5.20.0001"])
    signer.sign(os.path.join(second, SECOND), signer.key("k1"))
    signer.sign(first, signer.key(key))
    s.station_files()
    return first


def run_and_check(s, refused):
    """Runs; refused is the first package's reason, or None when installed."""
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    first = package_log(FIRST)
    if refused is not None:
        first = first[:2] + ["SIGNATURE REFUSED: %s (%s)" % (FIRST, refused)]
    want = ["START"] + first + package_log(SECOND) + ["END"]
    got = s.log_messages()
    check(got == want, "log %s, expected %s" % (got, want))
    sig = "signatures/%s.minisig"
    want_requests = [folder("5_1"), folder("5_2"), folder("5_3"),
                     folder("5_1") + FIRST, folder("5_1") + sig % FIRST,
                     folder("5_2") + SECOND, folder("5_2") + sig % SECOND]
    check(s.server.requests == want_requests, "requests %s" % s.server.requests)
    e2e_station.expect_tree(s, ["5.20.0001"] if refused else ["5.10.0023", "5.20.0001"])
    left = sorted(n for n in os.listdir(s.station) if n.endswith(".zip"))
    check(left == ([FIRST] if refused else []), "downloads left: %s" % left)


# The reasons of refusal and the legacy form are rows of the signature
# module's tables (verify_test, signature_check_test); here one package per
# outcome, and a rollover key to show both compiled-in keys are trusted.
def case_prehashed(s):
    setup(s)
    run_and_check(s, None)


def case_rollover(s):
    setup(s, "k2")
    run_and_check(s, None)


def case_flipped_byte(s):
    package = setup(s)
    with open(package, "r+b") as f:
        f.seek(40)
        b = f.read(1)
        f.seek(40)
        f.write(bytes([b[0] ^ 0x01]))
    run_and_check(s, "bad signature")


def case_swapped(s):
    """The downloaded package is replaced by an unsigned one while the
    program waits for its signature: it installs the signed bytes it
    downloaded, or refuses; the unsigned ones never."""
    package = setup(s)
    unsigned = os.path.join(s.tmp, "unsigned.zip")
    e2e_server.make_package(unsigned, e2e_server.package_files("5.10.0099"))
    s.server.hold_fragment = FIRST + ".minisig"
    proc = s.program.start(s.station, s.env())
    try:
        check(s.server.held.wait(e2e_harness.RUN_TIMEOUT), "signature never asked for")
        try:
            os.replace(unsigned, os.path.join(s.station, FIRST))
        except OSError:
            pass  # the name is held
        s.server.release.set()
        code = proc.wait(e2e_harness.RUN_TIMEOUT)
    finally:
        if proc.poll() is None:
            proc.kill()
    check(code == 0, "exit code %d" % code)
    got = s.log_messages()
    installed = package_log(FIRST)
    refused = installed[:3] + ["COPY REFUSED: %s (downloaded file replaced)" % FIRST,
                               installed[3]]
    tail = package_log(SECOND) + ["END"]
    check(got in (["START"] + installed + tail, ["START"] + refused + tail),
          "log %s" % got)
    was_refused = got[4].startswith("COPY REFUSED")
    e2e_station.expect_tree(s, ["5.20.0001"] if was_refused else ["5.10.0023", "5.20.0001"])


if __name__ == "__main__":
    sys.exit(e2e.main(e2e_harness.cases_of(globals()), ("--keys", {"required": True}),
                      ("--minisign", {"required": True}), keys=True))
