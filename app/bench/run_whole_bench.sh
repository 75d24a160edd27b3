#!/usr/bin/env bash
# Whole-run benchmark: the program (folder listings, download, install of one
# package) against `curl -s -o pkg.zip URL && unzip -o -q pkg.zip -d out`, on
# the package of installation/bench/run_bench.sh (about 200 MB in 2,000
# files) served from 127.0.0.1 by nginx with the installer server's own
# configuration (net/bench/bench_common.sh). Every run starts from a fresh
# station at 5.10.0020 whose install directory holds the old version's tree
# (the same 2,000 names), with no leftovers; curl and unzip start from the
# same tree. The two alternate in the same run; the program's log is checked
# after each run. Prints median wall times, their ratio and the peak resident
# memory of each (GNU time; for curl and unzip the larger of the two).
# BASE_BUILD=DIR also runs that build's program in turn, for an A/B of two
# trees on a busy machine.
# Both sides run on a journaled ext4 of the benchmark's own (a 3 GB image,
# loop-mounted, its tables written before the first round), as a station's
# file system journals. An ext4 without a journal, as some machines' /tmp,
# checks each free inode against those deleted in the last minutes whenever
# it makes a file, from the start of the group each time; each round here
# deletes about 8,000 files, so there every round is slower than the last
# for both sides alike. BENCH_DIR=DIR runs in DIR instead (and where the
# image cannot be mounted, the benchmark says so and uses /tmp).
# Run as root from the repository root after building the linux preset
# (app/TalCheck and the frontend fixture):
#   bash app/bench/run_whole_bench.sh [build/linux] [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-build/linux}" && pwd)"
rounds="${2:-5}"
base="${BASE_BUILD:+$(cd "$BASE_BUILD" && pwd)}"
for b in "$build" ${base:+"$base"}; do
    [ -x "$b/app/TalCheck" ] && [ -f "$b/testing/frontend_fixture.exe" ] ||
        { echo "build $b first (cmake --build --preset linux)" >&2; exit 1; }
done
. "$root/net/bench/bench_common.sh"
image="" mounted=""
cleanup() {
    bench_server_stop
    rm -rf "$work"
    [ -n "$mounted" ] && umount "$mounted" && rmdir "$mounted"
    [ -n "$image" ] && rm -f "$image"
}
trap cleanup EXIT
place="${BENCH_DIR:-}"
if [ -z "$place" ]; then
    image="$(mktemp /tmp/talcheck-whole-fs-XXXXXX)"
    mounted="$(mktemp -d /tmp/talcheck-whole-mnt-XXXXXX)"
    if truncate -s 3G "$image" && mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$image" &&
        mount -o loop "$image" "$mounted" 2>/dev/null; then
        place="$mounted"
    else
        echo "no journaled ext4 image could be mounted: running in /tmp" >&2
        rmdir "$mounted"
        mounted="" place=/tmp
    fi
fi
work="$(mktemp -d "$place/talcheck-whole-XXXXXX")"
echo "file system: $(df -T "$work" | awk 'NR == 2 { print $2 }') at $place"
bench_server_start "$build" "$work" 1
name=5.10.0023.zip
folder="$work/www/Marl Quill/MarlQuill/5_1 Installers"
url="http://$bench_host/Marl%20Quill/MarlQuill/5_1%20Installers/$name"

make_package() {  # <zip>: the files of run_bench.sh's large package
    local i d src="$work/src"
    for ((i = 0; i < 2000; i++)); do
        d="$src/dir$((i % 40))"
        mkdir -p "$d"
        if ((i % 2)); then
            head -c 190000 /dev/urandom >"$d/file$i.bin"
        else
            (seq -f "line %g of a text file in the package" 1 3333 || true) |
                head -c 100000 >"$d/file$i.txt"
        fi
    done
    (cd "$src" && zip -q -r "$1" .)
    mv "$src" "$work/old"  # the old version's tree: the same names
}

measure() {  # <label> <command...>: appends "seconds kilobytes" to $work/<label>.txt
    local label=$1
    shift
    /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >/dev/null
    cat "$work/time.txt" >>"$work/$label.txt"
}

fresh_station() {  # a station at 5.10.0020 with the old tree installed
    rm -rf "$work/station" "$work/data" "$work/runtime" "$work/out"
    mkdir -p "$work/station" "$work/data" "$work/runtime"
    chmod 700 "$work/runtime"
    cp "$build/testing/frontend_fixture.exe" "$work/station/frontend.exe"
    printf '[STATIONINFO]\r\nDBDirectory=%s\r\n' "$work/data" >"$work/station/station.ini"
    cp -r "$work/old" "$work/data/install"
    sync
}

ours() {  # <label> <build>
    fresh_station
    (cd "$work/station" && measure "$1" env TALCHECK_INSTALLER_HOST="$bench_host" \
        XDG_RUNTIME_DIR="$work/runtime" "$2/app/TalCheck")
    grep -qF "END COPY: $name" "$work/station/TalCheckLog.txt" &&
        ! grep -q "COPY FAILED\|COPY REFUSED" "$work/station/TalCheckLog.txt" &&
        [ "$(find "$work/data/install" -type f | wc -l)" -eq 2000 ] ||
        { echo "$1: the run did not install $name" >&2; cat "$work/station/TalCheckLog.txt" >&2; exit 1; }
}

theirs() {
    fresh_station
    mv "$work/data/install" "$work/out"
    measure curl_unzip sh -c "curl -s -o '$work/pkg.zip' '$url' && unzip -o -q '$work/pkg.zip' -d '$work/out'"
    rm -f "$work/pkg.zip"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

mkdir -p "$folder"
make_package "$folder/$name"
sync
for ((r = 0; r < rounds; r++)); do
    ours talcheck "$build"
    theirs
    [ -n "$base" ] && ours base "$base"
done
theirs_s=$(cut -d' ' -f1 "$work/curl_unzip.txt" | median)
for label in talcheck ${base:+base} curl_unzip; do
    s=$(cut -d' ' -f1 "$work/$label.txt" | median)
    printf '%-10s median %6.3f s  ratio %.2f  peak RSS %s KB  (all: %s)\n' "$label" "$s" \
        "$(awk -v a="$s" -v b="$theirs_s" 'BEGIN { print a / b }')" \
        "$(cut -d' ' -f2 "$work/$label.txt" | sort -n | tail -1)" \
        "$(cut -d' ' -f1 "$work/$label.txt" | tr '\n' ' ')"
done
