#!/usr/bin/env python3
"""End-to-end cases of talcheck-audit built with the test keys: a download
and a whole tree, with and without valid signatures. Arguments as
audit_harness.py says, with --keys and --minisign.
"""
import os
import sys

from audit_harness import add_packages, codes, main, sign
from e2e_harness import cases_of, check, program_path

def case_signed_download(s):
    signed = add_packages(s.tree, "5_1", ["5.10.0023"])
    add_packages(s.tree, "5_2", ["5.20.0001"])
    sign(s, os.path.join(signed, "5.10.0023.zip"))
    code, text, doc = s.run("--download")
    check(code == 2, "exit %d: %s" % (code, text))
    good, unsigned = doc["packages"]
    check(good["signature"] == "verified" and good["passed"], "signed package %s" % good)
    check(unsigned["signature"].startswith("no signature") and not unsigned["passed"] and
          unsigned["problem"].startswith("signature refused: "), "unsigned package %s" % unsigned)
    check("5.10.0023.zip: " in text and "signature verified, passed" in text, text)


def case_signed_tree(s):
    folder = add_packages(s.tree, "5_1", ["5.10.0021", "5.10.0023", "5.10.0025"])
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


if __name__ == "__main__":
    sys.exit(main(cases_of(globals())))
