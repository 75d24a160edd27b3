"""What the tests of the shipped nginx configurations share: a configuration
localized to 127.0.0.1 and a temp prefix, nginx in the foreground as a child
of the test, a temp installer tree with one package, and plain HTTP GETs."""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app",
                                "tests"))
from e2e_harness import Failure, check  # noqa: E402
from e2e_harness import closed_port as free_port  # noqa: E402

DEPLOY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BASE = "/Marl%20Quill/MarlQuill/"


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

    def start(self, port):
        self.proc = subprocess.Popen(["nginx", "-p", self.prefix, "-c", self.conf, "-g",
                                      "daemon off;"], stderr=subprocess.PIPE)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), 1).close()
                return self
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
        folder = os.path.join(self.tree, "Marl Quill", "MarlQuill", "5_1 Installers")
        os.makedirs(folder)
        self.package = bytes((i * 7 + 9) % 251 for i in range(300000))
        with open(os.path.join(folder, "5.10.0023.zip"), "wb") as f:
            f.write(self.package)
        for d, _, names in os.walk(self.tree):
            os.chmod(d, 0o755)
            for n in names:
                os.chmod(os.path.join(d, n), 0o644)

    def start(self, name, port, conf, **marks):
        """nginx with conf, listening on port; stopped by close() even when
        it fails to start."""
        server = Nginx(self.work, name, localize(conf, listen="listen 127.0.0.1:%d;" % port,
                                                 **marks))
        self.servers.append(server)
        return server.start(port)

    def installer(self, port):
        return self.start("installer", port, "installer-server.conf", root="root %s;" % self.tree)

    def start_proxy(self):
        """The installer server and the caching proxy in front of it, both
        listening; returns (installer, installer port, proxy port)."""
        installer_port, proxy_port = free_port(), free_port()
        installer = self.installer(installer_port)
        self.start("proxy", proxy_port, "caching-proxy.conf",
                   installer_server="server 127.0.0.1:%d;" % installer_port)
        return installer, installer_port, proxy_port

    def close(self):
        for s in self.servers:
            s.stop()
        shutil.rmtree(self.work, ignore_errors=True)


def get(url, proxy=None, headers=None):
    """(status, body, headers) of a GET, through proxy when given."""
    request = urllib.request.Request(url, headers=headers or {})
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({"http": proxy} if proxy
                                                                     else {}))
    try:
        with opener.open(request, timeout=30) as r:
            return r.status, r.read(), dict(r.headers)
    except urllib.error.HTTPError as e:
        return e.code, e.read(), dict(e.headers)


def in_parallel(fetch, arguments):
    """Calls fetch(a) for every a at once, each in a thread of its own."""
    threads = [threading.Thread(target=fetch, args=(a,)) for a in arguments]
    for t in threads:
        t.start()
    for t in threads:
        t.join(120)
