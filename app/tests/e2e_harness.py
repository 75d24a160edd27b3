"""What the end-to-end scripts share: the failure they raise, the wrapper
that runs one case and reports it, and small helpers for the program's
paths, free ports and test signatures. Imported by app/tests/e2e*.py and by
the scripts of audit/tests and deploy/tests (which add this folder to
sys.path)."""
import os
import socket
import subprocess

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
        scenario.close()
    print("passed: %s" % label)
    return 0


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
