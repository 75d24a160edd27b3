#!/usr/bin/env bash
# A real update run against a local installer server:
#   1. installs what is missing and builds TalCheck (and the Windows build
#      with --windows);
#   2. serves an installer tree with ZIP packages from 127.0.0.1 with
#      Python's http.server (directory listings);
#   3. makes a station directory: frontend.exe with FileVersion 5.10.0020
#      and station.ini naming the data directory;
#   4. runs TalCheck there (and TalCheck.exe under Wine with --windows) and
#      shows the run log and the installed tree.
# Everything it starts is stopped when it ends; --keep keeps the files.
# Usage: tools/demo.sh [--windows] [--keep]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

windows=0
keep=0
for arg in "$@"; do
    case "$arg" in
        --windows) windows=1 ;;
        --keep) keep=1 ;;
        *) echo "usage: tools/demo.sh [--windows] [--keep]" >&2; exit 2 ;;
    esac
done

bash tools/setup.sh
jobs="${TALCHECK_JOBS:-2}"
build() {
    echo "=== building preset $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs" --target TalCheck talcheck_e2e_fixture >/dev/null
}
build linux
[ "$windows" = 1 ] && build windows

work="$(mktemp -d /tmp/talcheck-demo.XXXXXX)"
server_pid=""
cleanup() {
    local rc=$?
    set +e
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    if [ "$windows" = 1 ]; then build/windows/wine-run.sh --stop; fi
    if [ "$keep" = 1 ]; then echo "files kept in $work"; else rm -rf "$work"; fi
    exit "$rc"
}
trap cleanup EXIT

# --- the installer server's tree: two version lines with real ZIP packages
echo "=== installer tree"
installers="$work/server/Marl Quill/MarlQuill"
package() {  # package <line folder> <version>
    local dir="$installers/$1" stage="$work/stage/$2"
    mkdir -p "$dir" "$stage/bin" "$stage/docs"
    echo "frontend build $2" >"$stage/bin/frontend-$2.txt"
    echo "release notes of $2" >"$stage/docs/notes-$2.txt"
    (cd "$stage" && zip -qr "$dir/$2.zip" .)
}
for v in 5.10.0019 5.10.0021 5.10.0023; do package "5_1 Installers" "$v"; done
package "5_2 Installers" 5.20.0001
(cd "$work/server" && find . -type f | sort)

port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
python3 -m http.server --bind 127.0.0.1 --directory "$work/server" "$port" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    curl -fs -o /dev/null "http://127.0.0.1:$port/" && break
    sleep 0.1
done
echo "=== installer server on 127.0.0.1:$port (python3 -m http.server, pid $server_pid)"

# run <name> <data directory as written in station.ini> <command...>
run() {
    local name="$1" dbdir="$2"; shift 2
    local station="$work/$name/station"
    mkdir -p "$station" "$work/$name/data"
    cp build/linux/testing/frontend_fixture.exe "$station/frontend.exe"
    printf '[STATIONINFO]\r\nDBDirectory=%s\r\n' "$dbdir" >"$station/station.ini"
    echo
    echo "=== $name: TalCheck in $station (frontend.exe FileVersion 5.10.0020)"
    local code=0
    (cd "$station" && TALCHECK_INSTALLER_HOST="127.0.0.1:$port" XDG_RUNTIME_DIR="$work/$name" \
        "$@") || code=$?
    echo "exit code: $code"
    echo "--- TalCheckLog.txt"
    cat "$station/TalCheckLog.txt" 2>/dev/null | tr -d '\r' || echo "(no log)"
    echo "--- installed tree ($work/$name/data/install)"
    (cd "$work/$name/data" && find . -type f | sort)
    echo "--- station directory"
    ls "$station"
}

run native "$work/native/data" "$root/build/linux/app/TalCheck"
if [ "$windows" = 1 ]; then
    windata="Z:$(echo "$work/windows/data" | tr / '\\')"
    run windows "$windata" "$root/build/windows/wine-run.sh" "$root/build/windows/app/TalCheck.exe"
fi
echo
echo "=== server requests"
grep -o '"GET [^"]*"' "$work/server.log" || true
