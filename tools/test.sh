#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs all tests:
#   linux       native build (POSIX backend)
#   linux-asan  native build with AddressSanitizer and UBSan
#   windows     MinGW-w64 cross build, tests run under Wine on Xvfb
# Usage: tools/test.sh [preset...]   (default: all three)
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/setup.sh || exit 1

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux linux-asan windows)
jobs="${TALCHECK_JOBS:-$(nproc)}"
# Most tests wait on sockets, timers and child programs rather than compute,
# so twice as many run at once as there are cores.
test_jobs="${TALCHECK_TEST_JOBS:-$((jobs * 2))}"

stop_wine() { [ -x build/windows/wine-run.sh ] && build/windows/wine-run.sh --stop; }
trap stop_wine EXIT

failed=()
for p in "${presets[@]}"; do
    echo "=== preset $p"
    mkdir -p build
    if ! cmake --preset "$p" >"build/$p.configure.log" 2>&1; then
        cat "build/$p.configure.log"; failed+=("$p(configure)"); continue
    fi
    if ! cmake --build --preset "$p" -j "$jobs"; then failed+=("$p(build)"); continue; fi
    if ! ctest --preset "$p" -j "$test_jobs"; then failed+=("$p(test)"); fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all presets passed: ${presets[*]}"
