#!/usr/bin/env bash
# Installation benchmark: a package of about 200 MB in 2,000 files (1,000
# incompressible binaries of 190 kB, 1,000 texts of 100 kB, in 40
# directories), installed by TalCheck's install step (test, extraction into
# the staging folder, moves into place) and extracted by Info-ZIP
# unzip -o -q, into fresh directories, alternately, in the same run. Prints
# the median wall times, their ratio and the peak resident memory of each
# (GNU time), and the time a separate test pass alone (inflate and CRC-32,
# nothing written) would add. A second, ten times smaller package shows that
# the peak memory does not grow with the package.
# Run from the repository root after building the linux preset:
#   bash installation/bench/run_bench.sh [build/linux] [rounds]
set -euo pipefail
build="${1:-build/linux}"
rounds="${2:-5}"
bench="$(cd "$build" && pwd)/installation/bench/extract_bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 1; }
work="$(mktemp -d /tmp/talcheck-bench-XXXXXX)"
trap 'rm -rf "$work"' EXIT

make_package() {  # <name> <files> <bytes per binary file> <bytes per text file>
    local name="$1" files="$2" binary="$3" text="$4" i d
    mkdir -p "$work/$name/src"
    for ((i = 0; i < files; i++)); do
        d="$work/$name/src/dir$((i % 40))"
        mkdir -p "$d"
        if ((i % 2)); then
            head -c "$binary" /dev/urandom >"$d/file$i.bin"
        else
            (seq -f "line %g of a text file in the package" 1 $((text / 30)) || true) |
                head -c "$text" >"$d/file$i.txt"
        fi
    done
    (cd "$work/$name/src" && zip -q -r "../package.zip" .)
    rm -rf "$work/$name/src"
}

measure() {  # <label> <command...>; prints "seconds kilobytes"
    local out="$work/time.txt"
    /usr/bin/time -v -o "$out" "$@" >/dev/null
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                    for (i = 1; i <= n; i++) s = s * 60 + t[i]; wall = s }
                /Maximum resident set size/ { rss = $2 }
                END { printf "%.3f %d\n", wall, rss }' "$out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run() {  # <name>
    local name="$1" zip="$work/$1/package.zip" r ours theirs tested unflushed
    : >"$work/ours.txt"; : >"$work/theirs.txt"; : >"$work/tested.txt"; : >"$work/unflushed.txt"
    for ((r = 0; r < rounds; r++)); do
        rm -rf "$work/out"; sync
        measure "$bench" "$zip" "$work/out" >>"$work/ours.txt"
        rm -rf "$work/out"; sync
        measure unzip -o -q "$zip" -d "$work/out" >>"$work/theirs.txt"
        rm -rf "$work/out"; sync
        measure "$bench" --no-flush "$zip" "$work/out" >>"$work/unflushed.txt"
        measure "$bench" --test-pass "$zip" "$work/out" >>"$work/tested.txt"
    done
    rm -rf "$work/out"
    ours=$(cut -d' ' -f1 "$work/ours.txt" | median)
    theirs=$(cut -d' ' -f1 "$work/theirs.txt" | median)
    tested=$(cut -d' ' -f1 "$work/tested.txt" | median)
    unflushed=$(cut -d' ' -f1 "$work/unflushed.txt" | median)
    printf '%-8s %6s MB  TalCheck %6.3f s  unzip %6.3f s  ratio %.2f  (without flushes %.3f s, ratio %.2f)  peak RSS TalCheck %s KB, unzip %s KB  (a separate test pass alone: %.3f s)\n' \
        "$name" "$(($(stat -c %s "$zip") / 1000000))" "$ours" "$theirs" \
        "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { print a / b }')" \
        "$unflushed" "$(awk -v a="$unflushed" -v b="$theirs" 'BEGIN { print a / b }')" \
        "$(cut -d' ' -f2 "$work/ours.txt" | sort -n | tail -1)" \
        "$(cut -d' ' -f2 "$work/theirs.txt" | sort -n | tail -1)" "$tested"
}

make_package large 2000 190000 100000
make_package small 200 190000 100000
run large
run small
