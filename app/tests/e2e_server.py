"""The installer server of the end-to-end tests, on 127.0.0.1, and the
packages it serves: a folder tree below "Marl Quill/MarlQuill" with one
folder of zip packages per version line."""
import http.server
import os
import socket
import threading
import urllib.parse
import zipfile

from e2e_harness import RUN_TIMEOUT

BASE = "/Marl%20Quill/MarlQuill/"


# How a folder page writes its links, by form: each name's link, and what
# joins them ("two": every link on one line).
FORMS = {"quoted": ('<li><a href="{q}">{n}</a></li>', "\n"),
         "lower": ('<li><a href="{n}">{n}</a></li>', "\n"),
         "upper": ('<LI><A HREF="{n}">{n}</A></LI>', "\n"),
         "two": ('<a href="{n}">{n}</a>', " ")}


class InstallerServer(http.server.ThreadingHTTPServer):
    """Serves a folder tree as an installer server: folder pages with one
    link per line (forms can change that per folder), files as they are.
    Options change what unknown folders answer and can hold one folder's
    listing back."""

    daemon_threads = True

    def __init__(self, root):
        super().__init__(("127.0.0.1", 0), Handler)
        self.root = root
        self.requests = []
        self.unknown = "404"  # "404" or "catch-all"
        self.form = "quoted"  # the form of folder pages not named in forms
        self.forms = {}  # folder name -> form of its page
        self.pages = {}  # folder name -> a page of its own, served instead of the listing
        self.hold_fragment = None  # listing held back until release is set
        self.missing = set()  # file names listed in their folder but answered with 404
        self.stall_after = {}  # file name -> body bytes sent before the server holds still
        self.ranges = []  # the Range header of each request, "" when none
        self.status = {}  # path fragment -> status its folder page is answered with
        self.cut = set()  # path fragments whose folder pages break off part-way
        self.held = threading.Event()
        self.release = threading.Event()
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    @property
    def host(self):
        return "127.0.0.1:%d" % self.server_address[1]

    def stop(self):
        self.release.set()
        self.shutdown()
        self.server_close()


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, status, body, cut=False):
        """Sends body; cut announces twice its length and closes after it."""
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body) * (2 if cut else 1)))
        self.end_headers()
        self.wfile.write(body)
        if cut:
            self.wfile.flush()
            self.close_connection = True

    def send_file(self, data, name, st):
        """A file as the installer server sends it: with a validator, and in
        the range asked for when If-Range (if any) names this file."""
        srv = self.server
        etag = '"%x-%x"' % (int(st.st_mtime), len(data))
        start = 0
        asked = self.headers.get("Range", "")
        if_range = self.headers.get("If-Range")
        if asked.startswith("bytes=") and asked.endswith("-") and if_range in (None, etag):
            start = int(asked[6:-1])
        if start >= len(data) > 0:
            return self.send(416, b"<html>416</html>\n")
        self.send_response(206 if start else 200)
        self.send_header("Content-Type", "application/zip")
        self.send_header("ETag", etag)
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Length", str(len(data) - start))
        if start:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(data) - 1, len(data)))
        self.end_headers()
        if name in srv.stall_after:
            # Part of the body, then silence until the test lets go.
            self.wfile.write(data[start:start + srv.stall_after[name]])
            self.wfile.flush()
            srv.held.set()
            srv.release.wait(RUN_TIMEOUT)
            return
        self.wfile.write(data[start:])

    def do_GET(self):
        srv = self.server
        srv.requests.append(self.path)
        srv.ranges.append(self.headers.get("Range", ""))
        if srv.hold_fragment and srv.hold_fragment in self.path:
            srv.held.set()
            srv.release.wait(RUN_TIMEOUT)
        parts = [p for p in urllib.parse.unquote(self.path).split("/") if p]
        local = os.path.join(srv.root, *parts)
        for fragment, status in srv.status.items():
            if fragment in self.path:
                return self.send(status, b"<html><body>Server trouble</body></html>\n")
        if parts and parts[-1] in srv.pages:
            return self.send(200, srv.pages[parts[-1]])
        if os.path.isdir(local):
            link, joint = FORMS[srv.forms.get(parts[-1] if parts else "", srv.form)]
            page = "<html><body><h1>Index</h1>\n<ul>\n%s\n</ul></body></html>\n" % joint.join(
                link.format(q=urllib.parse.quote(n), n=n) for n in sorted(os.listdir(local)))
            return self.send(200, page.encode(), cut=any(f in self.path for f in srv.cut))
        if os.path.isfile(local) and parts[-1] not in srv.missing:
            with open(local, "rb") as f:
                return self.send_file(f.read(), parts[-1], os.stat(local))
        if srv.unknown == "catch-all":
            page = '<html><body>Not here.\n<a href="help.html">Help</a>\n</body></html>\n'
            return self.send(404, page.encode())
        return self.send(404, b"<html><body><h1>404 Not Found</h1></body></html>\n")


def make_package(path, files):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in files.items():
            z.writestr(name, text)


def package_files(version):
    return {"bin/frontend-%s.txt" % version: "build %s\n" % version * 50,
            "readme-%s.txt" % version: "release notes %s\n" % version}


def add_packages(root, line, versions):
    """Packages of versions in the line's folder; returns the folder."""
    folder = os.path.join(root, "Marl Quill", "MarlQuill", "%s Installers" % line)
    os.makedirs(folder, exist_ok=True)
    for v in versions:
        make_package(os.path.join(folder, v + ".zip"), package_files(v))
    return folder


class SilentServer:
    """Accepts connections on 127.0.0.1 and never answers them."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.held = []
        self.stopped = threading.Event()
        self.thread = threading.Thread(target=self.accept, daemon=True)
        self.thread.start()

    @property
    def host(self):
        return "127.0.0.1:%d" % self.sock.getsockname()[1]

    def accept(self):
        self.sock.settimeout(0.2)
        while not self.stopped.is_set():
            try:
                self.held.append(self.sock.accept()[0])
            except OSError:
                pass

    def stop(self):
        self.stopped.set()
        self.thread.join(5)
        for conn in self.held:
            conn.close()
        self.sock.close()
