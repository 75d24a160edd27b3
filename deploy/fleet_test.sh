#!/usr/bin/env bash
# Fleet test: many stations update at once through the caching proxy.
#
#   deploy/fleet_test.sh [BUILD_DIR] [STATIONS]     (defaults: build/linux 200)
#
# Starts the installer server (deploy/nginx/installer-server.conf) and the
# caching proxy (deploy/nginx/caching-proxy.conf) on 127.0.0.1, both with
# nginx, serving an installer tree of two version lines. Then starts
# STATIONS native TalCheck programs at the same moment, each in its own
# station directory with its own data and runtime directory, with
# http_proxy pointing at the proxy. Half the stations run 5.10.0020 (from
# frontend.exe) and get 5.10.0023 and 5.20.0001; the other half run
# 5.10.0023 (station.ini) and get 5.20.0001 only.
#
# Checks every station's run log and installed tree, and reports the wall
# time, the bytes the installer server sent against one copy of each
# package, and the failures. Exit 0 when every station is right and the
# installer server sent at most 1.1 copies. Needs nginx and python3; the
# build directory must hold app/TalCheck and testing/frontend_fixture.exe
# (cmake --build --preset linux --target TalCheck talcheck_e2e_fixture).
# Not part of ctest. TALCHECK_FLEET_KEEP=1 keeps the work directory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/linux}" && pwd)"
stations="${2:-200}"
exe="$build/app/TalCheck"
fixture="$build/testing/frontend_fixture.exe"
[ -x "$exe" ] || { echo "fleet: no $exe (build the linux preset first)" >&2; exit 2; }
[ -f "$fixture" ] || { echo "fleet: no $fixture" >&2; exit 2; }
command -v nginx >/dev/null || { echo "fleet: nginx is not installed (tools/setup.sh)" >&2; exit 2; }

work="$(mktemp -d /tmp/talcheck-fleet.XXXXXX)"
# nginx workers run as nobody when started by root: the tree must be readable.
chmod 755 "$work"
pids=()
cleanup() {
    local rc=$?
    set +e
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
    if [ "${TALCHECK_FLEET_KEEP:-0}" = 1 ]; then echo "files kept in $work"; else rm -rf "$work"; fi
    exit "$rc"
}
trap cleanup EXIT

free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
installer_port="$(free_port)"
proxy_port="$(free_port)"

# --- installer tree: deterministic packages, incompressible content
python3 - "$work/tree/Marl Quill/MarlQuill" <<'EOF'
import os, random, sys, zipfile
top = sys.argv[1]
packages = {"5_1": {"5.10.0019": 200_000, "5.10.0021": 200_000, "5.10.0023": 3_000_000},
            "5_2": {"5.20.0001": 2_000_000}}
for line, versions in packages.items():
    folder = os.path.join(top, line + " Installers")
    os.makedirs(folder)
    for version, size in versions.items():
        rng = random.Random(version)
        with zipfile.ZipFile(os.path.join(folder, version + ".zip"), "w") as z:
            z.writestr("bin/frontend-%s.bin" % version, rng.randbytes(size))
            z.writestr("readme-%s.txt" % version, "release notes %s\n" % version)
EOF
chmod -R a+rX "$work/tree"

# --- nginx: the shipped configurations with address, root and upstream set
start_nginx() {  # start_nginx <name> <sed script> <config>
    local prefix="$work/$1"
    mkdir -p "$prefix/logs" "$prefix/temp"
    sed -e "$2" "$3" >"$prefix/nginx.conf"
    nginx -p "$prefix" -c "$prefix/nginx.conf" -g 'daemon off;' 2>>"$prefix/logs/stderr" &
    pids+=($!)
}
start_nginx installer "s|^\( *\)listen .*# deploy: listen|\1listen 127.0.0.1:$installer_port;|; \
s|^\( *\)root .*# deploy: root|\1root $work/tree;|" "$root/deploy/nginx/installer-server.conf"
start_nginx proxy "s|^\( *\)listen .*# deploy: listen|\1listen 127.0.0.1:$proxy_port;|; \
s|^\( *\)server .*# deploy: installer server|\1server 127.0.0.1:$installer_port;|" \
    "$root/deploy/nginx/caching-proxy.conf"
for port in "$installer_port" "$proxy_port"; do
    for _ in $(seq 100); do
        (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.05
    done
done

# --- stations
for i in $(seq 1 "$stations"); do
    s="$work/stations/$i"
    mkdir -p "$s/station" "$s/data" "$s/runtime"
    chmod 700 "$s/runtime"
    cp "$fixture" "$s/station/frontend.exe"
    {
        printf '[STATIONINFO]\r\n'
        [ $((i % 2)) = 0 ] && printf 'FrontendVersion=5.10.0023\r\n'
        printf 'DBDirectory=%s\r\n' "$s/data"
    } >"$s/station/station.ini"
done

echo "fleet: $stations stations, installer server 127.0.0.1:$installer_port," \
     "caching proxy 127.0.0.1:$proxy_port"
started=$(date +%s.%N)
runs=()
for i in $(seq 1 "$stations"); do
    s="$work/stations/$i"
    (cd "$s/station" && env http_proxy="http://127.0.0.1:$proxy_port/" \
        TALCHECK_INSTALLER_HOST="127.0.0.1:$installer_port" XDG_RUNTIME_DIR="$s/runtime" \
        timeout 600 "$exe" >/dev/null 2>&1; echo $? >"$s/exit") &
    runs+=($!)
done
for p in "${runs[@]}"; do wait "$p" || true; done
ended=$(date +%s.%N)

# --- verdict
python3 - "$work" "$stations" "$started" "$ended" <<'EOF'
import glob, os, re, sys, zipfile
work, count = sys.argv[1], int(sys.argv[2])
wall = float(sys.argv[4]) - float(sys.argv[3])
top = os.path.join(work, "tree", "Marl Quill", "MarlQuill")

def package(version):
    line = version[0] + "_" + version[2]
    return os.path.join(top, line + " Installers", version + ".zip")

def files(version):
    with zipfile.ZipFile(package(version)) as z:
        return {n: z.read(n) for n in z.namelist()}

def steps(name):
    return [p + name for p in ("START DOWLOAD: ", "END DOWLOAD: ", "START COPY: ", "END COPY: ")]

wanted = {1: ["5.10.0023", "5.20.0001"], 0: ["5.20.0001"]}
contents = {v: files(v) for v in ("5.10.0023", "5.20.0001")}
failures = []
for i in range(1, count + 1):
    s = os.path.join(work, "stations", str(i))
    versions = wanted[i % 2]
    try:
        code = open(os.path.join(s, "exit")).read().strip()
        with open(os.path.join(s, "station", "TalCheckLog.txt"), "rb") as f:
            lines = f.read().decode("latin-1").split("\r\n")
    except OSError as e:
        failures.append("station %d: %s" % (i, e))
        continue
    messages = [re.sub(r"^[^ \[]* \[\d\d:\d\d:\d\d\] ", "", l) for l in lines if l]
    expect = ["START"] + sum((steps(v + ".zip") for v in versions), []) + ["END"]
    if code != "0" or messages != expect:
        failures.append("station %d: exit %s, log %s" % (i, code, messages))
        continue
    want = {}
    for v in versions:
        want.update(contents[v])
    root = os.path.join(s, "data", "install")
    got = {}
    for d, _, names in os.walk(root):
        for n in names:
            with open(os.path.join(d, n), "rb") as f:
                got[os.path.relpath(os.path.join(d, n), root)] = f.read()
    if got != want:
        failures.append("station %d: installed %s" % (i, sorted(got)))
    elif glob.glob(os.path.join(s, "station", "*.zip")):
        failures.append("station %d: downloads left behind" % i)

sent_packages = sent_total = requests = 0
with open(os.path.join(work, "installer", "logs", "installer-access.log")) as f:
    for line in f:
        m = re.search(r'"GET (\S+) [^"]*" (\d+) (\d+)$', line.strip())
        if not m:
            continue
        requests += 1
        sent_total += int(m.group(3))
        if m.group(1).lower().endswith(".zip"):
            sent_packages += int(m.group(3))
one_copy = sum(os.path.getsize(package(v)) for v in ("5.10.0023", "5.20.0001"))
ratio = sent_packages / one_copy
print("fleet: %d of %d stations right, wall time %.1f s" % (count - len(failures), count, wall))
print("fleet: installer server sent %d package bytes in %d requests (%d bytes in all);"
      " one copy of each package is %d bytes: %.3f copies" %
      (sent_packages, requests, sent_total, one_copy, ratio))
for line in failures[:20]:
    print("  " + line)
if len(failures) > 20:
    print("  ... and %d more" % (len(failures) - 20))
sys.exit(0 if not failures and ratio <= 1.1 else 1)
EOF
