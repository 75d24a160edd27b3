#!/usr/bin/env python3
"""Tests of the shipped deployment files.

  deploy_test.py CASE

  configs         both nginx configurations pass `nginx -t` under a temp prefix
  installer       the installer server serves a tree in the page form TalCheck
                  reads, packages byte for byte, 404 for unknown folders
  caching_proxy   many concurrent requests through the proxy, as proxy requests
                  and as direct ones, cost the installer server one request
  proxy_ranges    resuming stations' range requests are answered from the
                  proxy's copy; the installer server sends the package once
  task_xml        the Task Scheduler definition is well-formed, keeps to the
                  task schema's elements and value forms, and fits the run

nginx runs in the foreground as a child of this script, on 127.0.0.1 only,
and is stopped when the case ends.
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
DEPLOY = os.path.dirname(HERE)
BASE = "/Marl%20Quill/MarlQuill/"
# The link pattern TalCheck reads folder pages with.
LINK = re.compile(r'<a href="(.*)">.*</a>')


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def localize(conf, **marks):
    """The configuration with each line marked "# deploy: <mark>" replaced."""
    with open(os.path.join(DEPLOY, "nginx", conf)) as f:
        text = f.read()
    for mark, line in marks.items():
        pattern = r"^( *)\S.*# deploy: %s$" % mark.replace("_", " ")
        text, n = re.subn(pattern, lambda m: m.group(1) + line, text, flags=re.M)
        check(n == 1, "%s: no line marked %r" % (conf, mark))
    return text


class Nginx:
    def __init__(self, work, name, text):
        self.prefix = os.path.join(work, name)
        for d in ("logs", "temp"):
            os.makedirs(os.path.join(self.prefix, d))
        self.conf = os.path.join(self.prefix, "nginx.conf")
        with open(self.conf, "w") as f:
            f.write(text)
        self.proc = None

    def args(self, *extra):
        return ["nginx", "-p", self.prefix, "-c", self.conf, *extra]

    def test(self):
        out = subprocess.run(self.args("-t"), capture_output=True, text=True, timeout=60)
        check(out.returncode == 0, "nginx -t %s: %s" % (self.conf, out.stderr))

    def start(self, port):
        self.proc = subprocess.Popen(self.args("-g", "daemon off;"), stderr=subprocess.PIPE)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), 1).close()
                return
            except OSError:
                check(self.proc.poll() is None, "nginx ended: %s" % self.proc.stderr.read())
                time.sleep(0.05)
        raise Failure("nginx did not listen on %d" % port)

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(30)

    def access_log(self, name):
        with open(os.path.join(self.prefix, "logs", name)) as f:
            return f.read().splitlines()


class Setup:
    """A temp directory with an installer tree; nginx instances on demand."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="talcheck-deploy-")
        os.chmod(self.work, 0o755)  # nginx workers started by root run as nobody
        self.tree = os.path.join(self.work, "tree")
        self.servers = []
        self.packages = {}
        for line, version, size in (("5_1", "5.10.0023", 300000), ("5_2", "5.20.0001", 1000)):
            folder = os.path.join(self.tree, "Marl Quill", "MarlQuill", line + " Installers")
            os.makedirs(folder)
            data = bytes((i * 7 + len(version)) % 251 for i in range(size))
            with open(os.path.join(folder, version + ".zip"), "wb") as f:
                f.write(data)
            self.packages[version] = data
        for d, _, names in os.walk(self.tree):
            os.chmod(d, 0o755)
            for n in names:
                os.chmod(os.path.join(d, n), 0o644)

    def installer(self, port):
        text = localize("installer-server.conf", listen="listen 127.0.0.1:%d;" % port,
                        root="root %s;" % self.tree)
        server = Nginx(self.work, "installer", text)
        self.servers.append(server)
        return server

    def proxy(self, port, upstream_port):
        text = localize("caching-proxy.conf", listen="listen 127.0.0.1:%d;" % port,
                        installer_server="server 127.0.0.1:%d;" % upstream_port)
        server = Nginx(self.work, "proxy", text)
        self.servers.append(server)
        return server

    def close(self):
        for s in self.servers:
            s.stop()
        shutil.rmtree(self.work, ignore_errors=True)


def get(url, proxy=None):
    handlers = [urllib.request.ProxyHandler({"http": proxy} if proxy else {})]
    opener = urllib.request.build_opener(*handlers)
    try:
        with opener.open(url, timeout=30) as r:
            return r.status, r.read(), dict(r.headers)
    except urllib.error.HTTPError as e:
        return e.code, e.read(), dict(e.headers)


# ---------------------------------------------------------------- cases


def case_configs(s):
    s.installer(free_port()).test()
    s.proxy(free_port(), free_port()).test()


def case_installer(s):
    port = free_port()
    server = s.installer(port)
    server.start(port)
    url = "http://127.0.0.1:%d%s" % (port, BASE)
    # As TalCheck asks: a doubled slash at the join of base URL and folder.
    status, page, _ = get(url + "/5_1%20Installers/")
    check(status == 200, "folder page status %d" % status)
    lines = page.decode().splitlines()
    names = [m.group(1) for m in map(LINK.search, lines) if m]
    check(names == ["../", "5.10.0023.zip"], "names the link pattern sees: %s" % names)
    check(all(len(LINK.findall(line)) <= 1 for line in lines), "several links on one line")
    status, body, _ = get(url + "/5_1%20Installers/5.10.0023.zip")
    check(status == 200 and body == s.packages["5.10.0023"], "package status %d" % status)
    status, page, _ = get(url + "/5_3%20Installers/")
    check(status == 404 and not LINK.search(page.decode()), "unknown folder: %d" % status)
    status, _, _ = get("http://127.0.0.1:%d/%s" % (port, ".hidden"))
    check(status == 404, "hidden name: %d" % status)


def case_caching_proxy(s):
    installer_port, proxy_port = free_port(), free_port()
    installer = s.installer(installer_port)
    installer.start(installer_port)
    proxy = s.proxy(proxy_port, installer_port)
    proxy.start(proxy_port)
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
        results.append((page[0], package[0], package[1] == s.packages["5.10.0023"]))

    threads = [threading.Thread(target=fetch, args=(i,)) for i in range(24)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(120)
    check(results == [(200, 200, True)] * 24, "results %s" % results)
    status, _, _ = get(direct + "/5_9%20Installers/")
    check(status == 404, "unknown folder through the proxy: %d" % status)
    status, _, _ = get("http://127.0.0.1:%d/etc/passwd" % installer_port, via)
    check(status == 403, "a path outside the installer folders: %d" % status)

    upstream = installer.access_log("installer-access.log")
    packages = [l for l in upstream if ".zip" in l]
    pages = [l for l in upstream if "5_1%20Installers/ " in l]
    check(len(packages) == 1, "installer server sent the package %d times" % len(packages))
    check(len(pages) == 1, "installer server sent the page %d times" % len(pages))
    check(not any("/etc/passwd" in l for l in upstream), "the proxy passed a foreign path")


def get_with(url, headers):
    request = urllib.request.Request(url, headers=headers)
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    try:
        with opener.open(request, timeout=30) as r:
            return r.status, r.read(), dict(r.headers)
    except urllib.error.HTTPError as e:
        return e.code, e.read(), dict(e.headers)


def case_proxy_ranges(s):
    """Resuming stations ask the proxy for ranges; it answers them from its
    copy, and the installer server sends the package once."""
    installer_port, proxy_port = free_port(), free_port()
    s.installer(installer_port).start(installer_port)
    proxy = s.proxy(proxy_port, installer_port)
    proxy.start(proxy_port)
    url = "http://127.0.0.1:%d%s/5_1%%20Installers/5.10.0023.zip" % (proxy_port, BASE)
    data = s.packages["5.10.0023"]
    status, body, headers = get_with(url, {"Range": "bytes=1000-"})
    check(status == 206 and body == data[1000:], "first range (uncached): %d" % status)
    etag = headers.get("ETag")
    check(etag, "no ETag through the proxy")
    results = []

    def resume(start):
        got = get_with(url, {"Range": "bytes=%d-" % start, "If-Range": etag})
        results.append((got[0], got[1] == data[start:],
                        got[2].get("Content-Range") == "bytes %d-%d/%d" % (
                            start, len(data) - 1, len(data))))

    threads = [threading.Thread(target=resume, args=(i * 20000 + 7,)) for i in range(12)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(120)
    check(results == [(206, True, True)] * 12, "resumed ranges %s" % results)
    status, body, _ = get_with(url, {"Range": "bytes=5-", "If-Range": '"0-0"'})
    check(status == 200 and body == data, "stale If-Range: %d" % status)
    status, _, _ = get_with(url, {"Range": "bytes=%d-" % len(data), "If-Range": etag})
    check(status == 416, "range past the end: %d" % status)
    upstream = s.servers[0].access_log("installer-access.log")
    packages = [l for l in upstream if ".zip" in l]
    check(len(packages) == 1, "installer server sent the package %d times" % len(packages))


TASK_NS = "{http://schemas.microsoft.com/windows/2004/02/mit/task}"
DURATION = re.compile(r"^P(?=\d|T\d)(\d+Y)?(\d+M)?(\d+D)?(T(?=\d)(\d+H)?(\d+M)?(\d+S)?)?$")
DATE_TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d$")
# Children the task schema (version 1.2) allows, for the elements used here.
SCHEMA = {
    "Task": {"RegistrationInfo", "Triggers", "Settings", "Data", "Principals", "Actions"},
    "RegistrationInfo": {"URI", "SecurityDescriptor", "Source", "Date", "Author", "Version",
                         "Description", "Documentation"},
    "Triggers": {"BootTrigger", "RegistrationTrigger", "IdleTrigger", "TimeTrigger",
                 "EventTrigger", "LogonTrigger", "SessionStateChangeTrigger", "CalendarTrigger"},
    "LogonTrigger": {"StartBoundary", "EndBoundary", "Enabled", "Repetition",
                     "ExecutionTimeLimit", "UserId", "Delay"},
    "CalendarTrigger": {"StartBoundary", "EndBoundary", "Enabled", "Repetition",
                        "ExecutionTimeLimit", "RandomDelay", "ScheduleByDay", "ScheduleByWeek",
                        "ScheduleByMonth", "ScheduleByMonthDayOfWeek"},
    "ScheduleByDay": {"DaysInterval"},
    "Principals": {"Principal"},
    "Principal": {"UserId", "LogonType", "GroupId", "DisplayName", "RunLevel",
                  "ProcessTokenSidType", "RequiredPrivileges"},
    "Settings": {"AllowStartOnDemand", "RestartOnFailure", "MultipleInstancesPolicy",
                 "DisallowStartIfOnBatteries", "StopIfGoingOnBatteries", "AllowHardTerminate",
                 "StartWhenAvailable", "NetworkProfileName", "RunOnlyIfNetworkAvailable",
                 "WakeToRun", "Enabled", "Hidden", "DeleteExpiredTaskAfter", "IdleSettings",
                 "NetworkSettings", "ExecutionTimeLimit", "Priority", "RunOnlyIfIdle"},
    "IdleSettings": {"Duration", "WaitTimeout", "StopOnIdleEnd", "RestartOnIdle"},
    "Actions": {"Exec", "ComHandler", "SendEmail", "ShowMessage"},
    "Exec": {"Command", "Arguments", "WorkingDirectory"},
}
BOOLEANS = {"Enabled", "AllowStartOnDemand", "DisallowStartIfOnBatteries", "StopIfGoingOnBatteries",
            "StartWhenAvailable", "RunOnlyIfNetworkAvailable", "Hidden", "StopOnIdleEnd",
            "RestartOnIdle", "WakeToRun", "AllowHardTerminate", "RunOnlyIfIdle"}
DURATIONS = {"Delay", "ExecutionTimeLimit", "Duration", "WaitTimeout", "RandomDelay"}
DATE_TIMES = {"StartBoundary", "EndBoundary"}
RUN_BOUND_HOURS = 9  # a run ends within this on its own


def check_schema(element):
    name = element.tag.replace(TASK_NS, "")
    check(element.tag.startswith(TASK_NS), "element %s outside the task namespace" % element.tag)
    allowed = SCHEMA.get(name)
    for child in element:
        child_name = child.tag.replace(TASK_NS, "")
        check(allowed is not None and child_name in allowed,
              "%s is no child of %s in the task schema" % (child_name, name))
        check_schema(child)
    text = (element.text or "").strip()
    if name in BOOLEANS:
        check(text in ("true", "false"), "%s: %r is no boolean" % (name, text))
    if name in DURATIONS:
        check(DURATION.match(text), "%s: %r is no duration" % (name, text))
    if name in DATE_TIMES:
        check(DATE_TIME.match(text), "%s: %r is no local date and time" % (name, text))


def hours(duration):
    """Hours of a duration without years or months."""
    m = DURATION.match(duration)
    check(m and not m.group(1) and not m.group(2), "duration %s" % duration)
    days, h, mins, secs = (int(g[:-1]) if g else 0 for g in m.group(3, 5, 6, 7))
    return days * 24 + h + mins / 60 + secs / 3600


def case_task_xml(s):
    path = os.path.join(DEPLOY, "windows", "TalCheck-task.xml")
    root = ET.parse(path).getroot()  # raises on a file that is not well-formed
    check(root.tag == TASK_NS + "Task", "root element %s" % root.tag)
    check(root.get("version") in ("1.2", "1.3", "1.4"), "task version %s" % root.get("version"))
    check_schema(root)

    def one(path_):
        found = root.findall("/".join(TASK_NS + part for part in path_.split("/")))
        check(len(found) == 1, "%d elements %s" % (len(found), path_))
        return found[0]

    for trigger in ("Triggers/LogonTrigger", "Triggers/CalendarTrigger"):
        check(one(trigger + "/Enabled").text == "true", "%s is disabled" % trigger)
    check(one("Triggers/CalendarTrigger/ScheduleByDay/DaysInterval").text == "1", "not daily")
    check(hours(one("Triggers/CalendarTrigger/RandomDelay").text) >= 1, "no random delay")
    principal = one("Principals/Principal")
    actions = one("Actions")
    check(actions.get("Context") == principal.get("id"), "the actions run as no principal")
    check(one("Settings/MultipleInstancesPolicy").text == "IgnoreNew", "a second run may start")
    limit = hours(one("Settings/ExecutionTimeLimit").text)
    check(limit >= RUN_BOUND_HOURS, "time limit %s h below the run's own bound" % limit)
    check(0 <= int(one("Settings/Priority").text) <= 10, "priority out of range")
    check(one("Actions/Exec/Command").text == "[PROGRAMDIR]TalCheck.exe", "command")
    check(one("Actions/Exec/WorkingDirectory").text == "[INSTALLDIR]", "working directory")
    check(not root.findall(".//" + TASK_NS + "Arguments"), "arguments in front of the program")
    with open(path) as f:
        check("powershell" not in f.read().lower(), "PowerShell named")


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in CASES:
        print("usage: deploy_test.py {%s}" % ",".join(sorted(CASES)))
        return 2
    setup = Setup()
    try:
        CASES[sys.argv[1]](setup)
    except Failure as e:
        print("FAILED: %s" % e)
        return 1
    finally:
        setup.close()
    print("passed: %s" % sys.argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
