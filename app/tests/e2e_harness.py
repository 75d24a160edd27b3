"""What the end-to-end scripts share: the failure they raise, the wrapper
that runs one case and reports it, and small helpers for the program's
paths, free ports and test signatures. Imported by app/tests/e2e*.py and by
the scripts of audit/tests and deploy/tests (which add this folder to
sys.path)."""
import os
import re
import socket
import subprocess
import sys

RUN_TIMEOUT = 120  # seconds; a run that takes longer has hung


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def cases_of(namespace):
    """The case_NAME functions of a script's globals, by NAME."""
    return {name[5:]: fn for name, fn in namespace.items() if name.startswith("case_")}


def run_case(label, scenario, body):
    """Runs body(), then closes scenario whatever happened. Prints the
    verdict and returns the script's exit code: 0 passed, 1 failed."""
    try:
        body()
    except Failure as e:
        print("FAILED: %s" % e)
        return 1
    finally:
        keep_log(label, scenario)
        scenario.close()
    print("passed: %s" % label)
    return 0


def keep_log(label, scenario):
    """With TALCHECK_E2E_LOG_DIR set, copies the case's run log there without
    its time stamps and scratch paths, so that the logs of two builds can be
    compared byte for byte."""
    folder = os.environ.get("TALCHECK_E2E_LOG_DIR")
    log = scenario.log() if folder and hasattr(scenario, "log") else None
    if log is None:
        return
    log = re.sub(r"\[\d\d:\d\d:\d\d\]", "[--:--:--]", log)
    log = re.sub(r"127\.0\.0\.1:\d+", "127.0.0.1:<port>", log)
    for form in (scenario.tmp, program_path(scenario.tmp, True)):
        log = log.replace(form, "<tmp>")
    name = "%s-%s.log" % (os.path.basename(sys.argv[0]), re.sub(r"\W+", "_", label))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(log.encode("latin-1"))


def program_path(path, windows):
    """A local path as the program sees it: under Wine, on drive Z:."""
    return "Z:" + path.replace("/", "\\") if windows else path


def closed_port():
    """A port of 127.0.0.1 that was just free; nothing listens there."""
    sock = socket.socket()
    sock.bind(("127.0.0.1", 0))
    port = sock.getsockname()[1]
    sock.close()
    return port


def sign(minisign, key, package, as_file=None):
    """Signs as_file (default: package) with the secret key file key into
    signatures/NAME.minisig beside package; returns that path."""
    target = os.path.join(os.path.dirname(package), "signatures",
                          os.path.basename(package) + ".minisig")
    os.makedirs(os.path.dirname(target), exist_ok=True)
    subprocess.run([minisign, "-S", "-s", key, "-m", as_file or package, "-x", target],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    return target
