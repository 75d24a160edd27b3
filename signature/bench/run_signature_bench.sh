#!/usr/bin/env bash
# Signature benchmark, two parts:
# 1. Download throughput with hashing on: one file of MIB MiB (256 by default)
#    from a loopback server, fetched in turn by DownloadPackage with the
#    BLAKE2b hasher as observer (hashed_download), by DownloadToFile
#    (download_file) and by `curl -s -o`; mean throughput of each and the
#    ratio hashed/curl.
# 2. Cost of verification in a whole run: the program with test keys
#    (TalCheckSigned) and without (TalCheck) each install one signed package
#    of about 200 MB from a local installer server (app/tests/e2e.py's);
#    mean run times and the difference as a share of the signed run.
#   signature/bench/run_signature_bench.sh [BUILD_DIR] [ROUNDS] [MIB]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/linux}"
rounds="${2:-3}"
size=$((${3:-256} * 1024 * 1024))
for p in net/bench/download_file net/bench/loopback_file_server signature/bench/hashed_download \
         app/TalCheck app/tests/TalCheckSigned; do
    [ -x "$build/$p" ] || { echo "build $build first (cmake --build --preset linux)" >&2; exit 1; }
done

work="$(mktemp -d)"
fifo="$work/stdin"
mkfifo "$fifo"
"$build/net/bench/loopback_file_server" "$size" <"$fifo" >"$work/port" &
server=$!
exec 3>"$fifo"  # the server runs until this closes
cleanup() { exec 3>&-; wait "$server" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(head -n 1 "$work/port")/file.zip"

# run NAME COMMAND... : prints "NAME seconds"
run() {
    local name=$1; shift
    rm -f "$work/out.zip"
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    local got; got=$(stat -c %s "$work/out.zip")
    [ "$got" -eq "$size" ] || { echo "$name: got $got bytes" >&2; exit 1; }
    echo "$name $(echo "$end - $start" | bc -l)"
}

for _ in $(seq "$rounds"); do
    run hashed "$build/signature/bench/hashed_download" "$url" out.zip "$work"
    run plain "$build/net/bench/download_file" "$url" out.zip "$work"
    run curl curl -s -o "$work/out.zip" "$url"
done >"$work/results"

awk -v size="$size" '
    { t[$1] += $2; n[$1]++ }
    END {
        for (k in t) {
            mbs[k] = size / 1048576 / (t[k] / n[k])
            printf "%-7s %d runs  mean %.3f s  %.0f MiB/s\n", k, n[k], t[k] / n[k], mbs[k]
        }
        printf "throughput ratio hashed/curl: %.2f  plain/curl: %.2f\n",
               mbs["hashed"] / mbs["curl"], mbs["plain"] / mbs["curl"]
    }' "$work/results"

[ "${SKIP_RUN:-}" ] || python3 "$root/signature/bench/signed_run_bench.py" --build "$build" --rounds "$rounds"
