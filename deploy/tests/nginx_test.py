#!/usr/bin/env python3
"""Tests of the shipped nginx configurations.

  nginx_test.py CASE

  installer       the installer server serves a tree in the page form TalCheck
                  reads, packages byte for byte, 404 for unknown folders
  caching_proxy   many concurrent requests through the proxy, as proxy requests
                  and as direct ones, cost the installer server one request
  proxy_ranges    resuming stations' range requests are answered from the
                  proxy's copy; the installer server sends the package once

A configuration nginx refuses fails the case that starts it.
"""
import argparse
import re
import sys

from nginx_harness import BASE, Setup, free_port, get, in_parallel
from e2e_harness import cases_of, check, run_case

# The link pattern TalCheck reads folder pages with.
LINK = re.compile(r'<a href="(.*)">.*</a>')


def case_installer(s):
    port = free_port()
    s.installer(port)
    url = "http://127.0.0.1:%d%s" % (port, BASE)
    # As TalCheck asks: a doubled slash at the join of base URL and folder.
    status, page, _ = get(url + "/5_1%20Installers/")
    check(status == 200, "folder page status %d" % status)
    lines = page.decode().splitlines()
    names = [m.group(1) for m in map(LINK.search, lines) if m]
    check(names == ["../", "5.10.0023.zip"], "names the link pattern sees: %s" % names)
    check(all(len(LINK.findall(line)) <= 1 for line in lines), "several links on one line")
    status, body, _ = get(url + "/5_1%20Installers/5.10.0023.zip")
    check(status == 200 and body == s.package, "package status %d" % status)
    status, page, _ = get(url + "/5_3%20Installers/")
    check(status == 404 and not LINK.search(page.decode()), "unknown folder: %d" % status)
    status, _, _ = get("http://127.0.0.1:%d/%s" % (port, ".hidden"))
    check(status == 404, "hidden name: %d" % status)


def upstream_sent(installer, fragment):
    """How many of the installer server's answers were for a path with fragment."""
    return sum(fragment in line for line in installer.access_log("installer-access.log"))


def case_caching_proxy(s):
    installer, installer_port, proxy_port = s.start_proxy()
    origin = "http://127.0.0.1:%d%s" % (installer_port, BASE)
    direct = "http://127.0.0.1:%d%s" % (proxy_port, BASE)
    via = "http://127.0.0.1:%d" % proxy_port
    results = []

    def fetch(i):
        # Stations as proxy clients (full URL) and as clients of the proxy as
        # their installer host, with and without the doubled slash.
        url = (origin if i % 2 else direct) + ("/" if i % 3 else "") + "5_1%20Installers/"
        page = get(url, via if i % 2 else None)
        package = get(url + "5.10.0023.zip", via if i % 2 else None)
        results.append((page[0], package[0], package[1] == s.package))

    in_parallel(fetch, range(24))
    check(results == [(200, 200, True)] * 24, "results %s" % results)
    status, _, _ = get(direct + "/5_9%20Installers/")
    check(status == 404, "unknown folder through the proxy: %d" % status)
    status, _, _ = get("http://127.0.0.1:%d/etc/passwd" % installer_port, via)
    check(status == 403, "a path outside the installer folders: %d" % status)
    for fragment, what in ((".zip", "package"), ("5_1%20Installers/ ", "page")):
        sent = upstream_sent(installer, fragment)
        check(sent == 1, "installer server sent the %s %d times" % (what, sent))


def case_proxy_ranges(s):
    installer, _, proxy_port = s.start_proxy()
    url = "http://127.0.0.1:%d%s/5_1%%20Installers/5.10.0023.zip" % (proxy_port, BASE)
    data = s.package
    status, body, headers = get(url, headers={"Range": "bytes=1000-"})
    check(status == 206 and body == data[1000:], "first range (uncached): %d" % status)
    etag = headers.get("ETag")
    check(etag, "no ETag through the proxy")
    results = []

    def resume(start):
        got = get(url, headers={"Range": "bytes=%d-" % start, "If-Range": etag})
        results.append((got[0], got[1] == data[start:],
                        got[2].get("Content-Range") == "bytes %d-%d/%d" % (
                            start, len(data) - 1, len(data))))

    in_parallel(resume, [i * 20000 + 7 for i in range(12)])
    check(results == [(206, True, True)] * 12, "resumed ranges %s" % results)
    status, body, _ = get(url, headers={"Range": "bytes=5-", "If-Range": '"0-0"'})
    check(status == 200 and body == data, "stale If-Range: %d" % status)
    status, _, _ = get(url, headers={"Range": "bytes=%d-" % len(data), "If-Range": etag})
    check(status == 416, "range past the end: %d" % status)
    sent = upstream_sent(installer, ".zip")
    check(sent == 1, "installer server sent the package %d times" % sent)


CASES = cases_of(globals())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    case = parser.parse_args().case
    setup = Setup()
    return run_case(case, setup, lambda: CASES[case](setup))


if __name__ == "__main__":
    sys.exit(main())
