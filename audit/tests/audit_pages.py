#!/usr/bin/env python3
"""End-to-end cases of talcheck-audit against folder pages the run reads
otherwise than a person would: links in upper case, two links on one line,
a missing line folder, a catch-all server, and large pages. Arguments as
audit_harness.py says.
"""
import sys

from audit_harness import add_packages, codes, main
from e2e_harness import cases_of, check

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
    s.server.unknown = "catch-all"
    code, text, doc = s.run()
    check(code == 2 and "catch_all" in codes(doc) and "error_page_names" in codes(doc),
          "exit %d, %s" % (code, codes(doc)))
    check(doc["newest"]["chosen"] == "5.20.0001.zip", "newest %s" % doc["newest"])
    check("gap" not in codes(doc), "the catch-all page counted as a line")
    check("repeats the page of /5_3%20Installers/" in text, text)


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


if __name__ == "__main__":
    sys.exit(main(cases_of(globals())))
