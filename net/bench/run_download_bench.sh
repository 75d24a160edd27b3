#!/usr/bin/env bash
# Download benchmark: one 256 MiB file (or MIB) from a server on 127.0.0.1
# (net/bench/bench_common.sh: nginx by default, BENCH_SERVER and BENCH_RATE
# change it), fetched in turn by TalCheck's DownloadToFile (download_file)
# and by `curl -s -o`, in the same run against the same server. Prints wall
# time, throughput, CPU time of client and server and peak resident memory
# of each (from /usr/bin/time), and the ratio.
#   net/bench/run_download_bench.sh [BUILD_DIR] [ROUNDS] [MIB]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/linux}"
rounds="${2:-3}"
size=$((${3:-256} * 1024 * 1024))
[ -x "$build/net/bench/download_file" ] || { echo "build $build first (cmake --build --preset linux)" >&2; exit 1; }
. "$root/net/bench/bench_common.sh"

work="$(mktemp -d)"
trap 'bench_server_stop; rm -rf "$work"' EXIT
bench_server_start "$build" "$work" "$size"

for _ in $(seq "$rounds"); do
    bench_fetch talcheck "$work/out.zip" "$size" "$build/net/bench/download_file" "$bench_url" out.zip "$work"
    bench_fetch curl "$work/out.zip" "$size" curl -s -o "$work/out.zip" "$bench_url"
done >"$work/results"
bench_summary "$work/results" "$size"
