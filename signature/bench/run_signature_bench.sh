#!/usr/bin/env bash
# Signature benchmark, two parts, both against the server of
# net/bench/bench_common.sh (nginx with the installer server's configuration
# by default; BENCH_SERVER=generated for the user-space server, BENCH_RATE to
# limit the rate):
# 1. Download throughput with hashing on: one file of MIB MiB (256 by default)
#    fetched in turn by DownloadPackage with the BLAKE2b hasher as observer
#    (hashed_download), by DownloadToFile (download_file) and by
#    `curl -s -o`; mean throughput and CPU time of each, and the ratios
#    against curl.
# 2. Cost of verification in a whole run: the program with test keys
#    (TalCheckSigned) and without (TalCheck) each install one signed package
#    of about 200 MB from the same server (from app/tests/e2e.py's installer
#    server with BENCH_SERVER=generated); mean run times and the difference
#    as a share of the signed run. SKIP_RUN=1 leaves this part out.
#   signature/bench/run_signature_bench.sh [BUILD_DIR] [ROUNDS] [MIB]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/linux}"
rounds="${2:-3}"
size=$((${3:-256} * 1024 * 1024))
for p in net/bench/download_file signature/bench/hashed_download app/TalCheck app/tests/TalCheckSigned; do
    [ -x "$build/$p" ] || { echo "build $build first (cmake --build --preset linux)" >&2; exit 1; }
done
. "$root/net/bench/bench_common.sh"

work="$(mktemp -d)"
trap 'bench_server_stop; rm -rf "$work"' EXIT
bench_server_start "$build" "$work" "$size"

out="$work/out.zip"
for _ in $(seq "$rounds"); do
    bench_fetch hashed "$out" "$size" "$build/signature/bench/hashed_download" "$bench_url" out.zip "$work"
    bench_fetch plain "$out" "$size" "$build/net/bench/download_file" "$bench_url" out.zip "$work"
    bench_fetch curl "$out" "$size" curl -s -o "$out" "$bench_url"
done >"$work/results"
rm -f "$out"
bench_summary "$work/results" "$size"

[ "${SKIP_RUN:-}" ] && exit 0
server=()
[ "${BENCH_SERVER:-nginx}" = nginx ] && server=(--host "$bench_host" --tree "$work/www" --server-pids "${bench_server_pids[@]}")
python3 "$root/signature/bench/signed_run_bench.py" --build "$build" --rounds "$rounds" "${server[@]}"
