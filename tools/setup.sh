#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need (only
# those missing), and fetches the minizip sources into .deps/. Idempotent and
# quiet once everything is in place. Run as root on Debian 12.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
    # native build and tests
    cmake ninja-build g++ pkg-config zlib1g-dev libcurl4-openssl-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    # Windows cross build and its tests under Wine
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev libz-mingw-w64-dev wine wine64 xvfb xauth icoutils
    # archive tools the conformance tests compare against, fuzzing, demo
    zip unzip p7zip-full libarchive-tools python3 clang libclang-rt-14-dev
    curl ca-certificates bzip2 xz-utils procps time util-linux
    # inspection program (header-only JSON and command line), deployment tests
    nlohmann-json3-dev libcli11-dev nginx
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# minizip: compiled from zlib's source package because every prebuilt
# minizip 1.1 has decryption compiled out. apt-get source is pointed at a
# private source list so the machine's own apt configuration is not changed;
# the archive URI is the one this machine already uses for its packages.
deps="$root/.deps"
if [ ! -f "$deps/minizip/unzip.c" ]; then
    . /etc/os-release
    suite="${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}"
    uri=""
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        uri=$(awk -v s="$suite" '
            /^Types:/   { deb = ($0 ~ /[ \t]deb([ \t]|$)/) }
            /^URIs:/    { u = $2 }
            /^Suites:/  { for (i = 2; i <= NF; i++) if ($i == s) hit = 1 }
            /^$/        { if (deb && hit && u != "") { print u; exit } deb = hit = 0; u = "" }
            END         { if (deb && hit && u != "") print u }' "$f" | head -n 1)
        [ -n "$uri" ] && break
    done
    if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
        uri=$(awk -v s="$suite" '$1 == "deb" && $0 ~ (" " s " ") {
                  for (i = 2; i <= NF; i++) if ($i !~ /^\[/) { print $i; exit } }' /etc/apt/sources.list | head -n 1)
    fi
    [ -n "$uri" ] || { echo "setup: no apt source for $suite found" >&2; exit 1; }

    work="$deps/apt"
    rm -rf "$work"; mkdir -p "$work/lists/partial" "$work/src"
    echo "deb-src $uri $suite main" >"$work/sources.list"
    apt_opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
              -o "Dir::State::Lists=$work/lists" -o "APT::Sandbox::User=root")
    apt-get "${apt_opts[@]}" update -qq
    (cd "$work/src" && apt-get "${apt_opts[@]}" source --download-only -qq zlib >/dev/null)
    orig=$(ls "$work"/src/zlib_*.orig.tar.* | head -n 1)
    rm -rf "$deps/minizip"; mkdir -p "$deps/minizip"
    tar -xaf "$orig" -C "$deps/minizip" --strip-components=3 --wildcards '*/contrib/minizip/*'
    rm -rf "$work"
    echo "setup: minizip sources in $deps/minizip"
fi
