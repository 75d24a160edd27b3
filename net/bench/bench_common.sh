# Server and timing of the download benchmarks, sourced by their scripts:
#   . net/bench/bench_common.sh
#   bench_server_start BUILD_DIR WORK_DIR SIZE   # sets bench_url, bench_host
#   bench_fetch NAME OUT_FILE SIZE COMMAND...    # one timed download
#   bench_summary RESULTS_FILE SIZE              # means, ratios against curl
#   bench_server_stop                            # in the script's EXIT trap
# The server serves one file of SIZE bytes at $bench_url on 127.0.0.1 until
# it is stopped.
#
# BENCH_SERVER picks the server:
#   nginx (default): nginx with the installer server's own configuration
#     (deploy/nginx/installer-server.conf), serving WORK_DIR/www, where the
#     file is written first; it sends from the page cache with sendfile, so
#     the clients, not the server, take the machine's CPU time. WORK_DIR/www
#     may hold more (an installer tree): bench_host serves it all.
#   generated: net/bench/loopback_file_server, which makes up the body in
#     user space as it sends it; it takes about as much CPU time as the
#     client, which a machine with two cores shows in every figure.
# BENCH_RATE (nginx only), e.g. 100m: each response is sent at most that many
#   bytes per second (nginx's limit_rate), as over a station's network.
# bench_server_cpu prints the CPU seconds the server's processes have used.

bench_server_pids=()

bench_server_free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# bench_server_file PATH SIZE: SIZE bytes of a fixed pseudo-random MiB,
# turned by one byte more in each MiB (incompressible, the same every run).
bench_server_file() {
    python3 - "$1" "$2" <<'EOF'
import sys
path, size = sys.argv[1], int(sys.argv[2])
block = bytes((i * 2654435761 >> 13) & 255 for i in range(1 << 20))
with open(path, "wb") as f:
    n = 0
    while size > 0:
        part = (block[n:] + block[:n])[:size]
        f.write(part)
        size -= len(part)
        n += 1
EOF
}

bench_server_wait() {  # bench_server_wait PORT
    local _
    for _ in $(seq 100); do
        (echo >"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.05
    done
    echo "bench server: nothing listens on port $1" >&2
    return 1
}

bench_server_start() {
    local build=$1 work=$2 size=$3 root
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
    case "${BENCH_SERVER:-nginx}" in
    nginx)
        command -v nginx >/dev/null || { echo "nginx is not installed (tools/setup.sh)" >&2; return 1; }
        local prefix="$work/nginx" port rate=""
        mkdir -p "$prefix/logs" "$prefix/temp" "$work/www"
        # nginx workers run as nobody when started by root.
        chmod 755 "$work" "$work/www"
        bench_server_file "$work/www/file.zip" "$size"
        sync "$work/www/file.zip"  # no write-back of it during the runs
        port="$(bench_server_free_port)"
        [ -n "${BENCH_RATE:-}" ] && rate="s|^\( *\)sendfile on;|&\n\1limit_rate ${BENCH_RATE};|;"
        sed -e "s|^\( *\)listen .*# deploy: listen|\1listen 127.0.0.1:$port;|; \
s|^\( *\)root .*# deploy: root|\1root $work/www;|; $rate" \
            "$root/deploy/nginx/installer-server.conf" >"$prefix/nginx.conf"
        nginx -p "$prefix" -c "$prefix/nginx.conf" -g 'daemon off;' 2>>"$prefix/logs/stderr" &
        bench_server_pids+=($!)
        bench_server_wait "$port" || return 1
        ;;
    generated)
        [ -x "$build/net/bench/loopback_file_server" ] || { echo "build $build first" >&2; return 1; }
        mkfifo "$work/server-stdin"
        "$build/net/bench/loopback_file_server" "$size" <"$work/server-stdin" >"$work/server-port" &
        bench_server_pids+=($!)
        exec {bench_server_stdin}>"$work/server-stdin"  # the server runs until this closes
        local _
        for _ in $(seq 50); do [ -s "$work/server-port" ] && break; sleep 0.1; done
        port="$(head -n 1 "$work/server-port")"
        ;;
    *)
        echo "BENCH_SERVER is nginx or generated" >&2
        return 1
        ;;
    esac
    bench_host="127.0.0.1:$port"
    bench_url="http://$bench_host/file.zip"
}

bench_server_cpu() {
    local pid ticks=0 p
    for pid in "${bench_server_pids[@]}"; do
        # the server and, for nginx, its workers
        for p in "$pid" $(pgrep -P "$pid"); do
            [ -r "/proc/$p/stat" ] || continue
            ticks=$((ticks + $(awk '{ print $14 + $15 }' "/proc/$p/stat")))
        done
    done
    echo "$ticks $(getconf CLK_TCK)" | awk '{ printf "%.2f\n", $1 / $2 }'
}

bench_server_stop() {
    [ -n "${bench_server_stdin:-}" ] && exec {bench_server_stdin}>&-
    local pid
    for pid in "${bench_server_pids[@]}"; do
        [ "${BENCH_SERVER:-nginx}" = nginx ] && kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    bench_server_pids=()
}

# Runs COMMAND, which must leave SIZE bytes in OUT_FILE, and prints
# "NAME wall_s client_cpu_s server_cpu_s peak_rss_kB".
bench_fetch() {
    local name=$1 out=$2 size=$3 times before after got start end
    shift 3
    rm -f "$out"
    times="$(mktemp)"
    before="$(bench_server_cpu)"
    start=$(date +%s%N)
    /usr/bin/time -f "%U %S %M" -o "$times" "$@" >/dev/null
    end=$(date +%s%N)
    after="$(bench_server_cpu)"
    got="$(stat -c %s "$out")"
    [ "$got" -eq "$size" ] || { echo "$name: got $got bytes" >&2; rm -f "$times"; return 1; }
    awk -v n="$name" -v w=$((end - start)) -v s0="$before" -v s1="$after" \
        '{ printf "%s %.4f %.2f %.2f %s\n", n, w / 1e9, $1 + $2, s1 - s0, $3 }' "$times"
    rm -f "$times"
}

# Per NAME of bench_fetch's lines: runs, mean wall time, throughput, mean CPU
# seconds of client and server, peak RSS; then each throughput against curl's.
bench_summary() {
    awk -v size="$2" '
        { t[$1] += $2; c[$1] += $3; s[$1] += $4; n[$1]++; if ($5 > m[$1]) m[$1] = $5 }
        END {
            for (k in t) {
                mbs[k] = size / 1048576 / (t[k] / n[k])
                printf "%-9s %d runs  mean %.3f s  %4.0f MiB/s  CPU client %.2f s server %.2f s  peak RSS %d kB\n",
                       k, n[k], t[k] / n[k], mbs[k], c[k] / n[k], s[k] / n[k], m[k]
            }
            for (k in t)
                if (k != "curl" && ("curl" in mbs))
                    printf "throughput ratio %s/curl: %.2f\n", k, mbs[k] / mbs["curl"]
        }' "$1"
}
