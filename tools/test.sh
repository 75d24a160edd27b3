#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs all tests:
#   linux       native build (POSIX backend)
#   windows     MinGW-w64 cross build, tests run under Wine on Xvfb
#   linux-asan  native build with AddressSanitizer and UBSan
# Usage: tools/test.sh [preset...]   (default: all three)
# Each preset's tests run while the next preset compiles; their output
# follows when they end (and is kept in build/<preset>.test.log).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/setup.sh || exit 1

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux windows linux-asan)
jobs="${TALCHECK_JOBS:-$(nproc)}"
# Most tests wait on sockets, timers and child programs rather than compute,
# so twice as many run at once as there are cores.
test_jobs="${TALCHECK_TEST_JOBS:-$((jobs * 2))}"

testing=""      # the preset whose tests are running
testing_pid=""
failed=()
end_tests() {
    [ -n "$testing" ] || return 0
    wait "$testing_pid" || failed+=("$testing(test)")
    echo "=== tests of preset $testing"
    cat "build/$testing.test.log"
    testing=""
}
stop() {
    [ -n "$testing_pid" ] && kill -- "-$testing_pid" 2>/dev/null
    [ -x build/windows/wine-run.sh ] && build/windows/wine-run.sh --stop
}
trap stop EXIT

mkdir -p build
for p in "${presets[@]}"; do
    echo "=== preset $p"
    if ! cmake --preset "$p" >"build/$p.configure.log" 2>&1; then
        cat "build/$p.configure.log"; failed+=("$p(configure)"); continue
    fi
    # The compiler yields the processors to the tests running beside it:
    # those measure time-outs and must not be starved.
    if ! nice -n 10 cmake --build --preset "$p" -j "$jobs"; then failed+=("$p(build)"); continue; fi
    end_tests
    # In a session of its own, so that an interrupted run can stop every test.
    setsid ctest --preset "$p" -j "$test_jobs" >"build/$p.test.log" 2>&1 &
    testing="$p" testing_pid=$!
done
end_tests
testing_pid=""

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all presets passed: ${presets[*]}"
