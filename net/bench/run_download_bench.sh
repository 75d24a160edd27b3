#!/usr/bin/env bash
# Download benchmark: one 256 MiB file (or MIB) from a loopback server, fetched in
# turn by TalCheck's DownloadToFile (download_file) and by `curl -s -o`, in
# the same run against the same server. Prints wall time, throughput and
# peak resident memory of each (from /usr/bin/time -v), and the ratio.
#   net/bench/run_download_bench.sh [BUILD_DIR] [ROUNDS] [MIB]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/linux}"
rounds="${2:-3}"
size=$((${3:-256} * 1024 * 1024))
bench="$build/net/bench"
[ -x "$bench/download_file" ] || { echo "build $build first (cmake --build --preset linux)" >&2; exit 1; }

work="$(mktemp -d)"
fifo="$work/stdin"
mkfifo "$fifo"
"$bench/loopback_file_server" "$size" <"$fifo" >"$work/port" &
server=$!
exec 3>"$fifo"  # the server runs until this closes
cleanup() { exec 3>&-; wait "$server" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(head -n 1 "$work/port")/file.zip"

# run NAME COMMAND... : prints "NAME seconds peak_kB"
run() {
    local name=$1; shift
    rm -f "$work/out.zip"
    /usr/bin/time -v "$@" 2>"$work/time.txt" >/dev/null
    local got; got=$(stat -c %s "$work/out.zip")
    [ "$got" -eq "$size" ] || { echo "$name: got $got bytes" >&2; exit 1; }
    local wall rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                         for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    echo "$name $wall $rss"
}

for r in $(seq "$rounds"); do
    run talcheck "$bench/download_file" "$url" out.zip "$work"
    run curl curl -s -o "$work/out.zip" "$url"
done | tee "$work/results" >/dev/null

awk -v size="$size" '
    { t[$1] += $2; n[$1]++; if ($3 > m[$1]) m[$1] = $3 }
    END {
        for (k in t) {
            mbs[k] = size / 1048576 / (t[k] / n[k])
            printf "%-9s %d runs  mean %.2f s  %.0f MiB/s  peak RSS %d kB\n", k, n[k], t[k] / n[k], mbs[k], m[k]
        }
        printf "throughput ratio talcheck/curl: %.2f\n", mbs["talcheck"] / mbs["curl"]
    }' "$work/results"
