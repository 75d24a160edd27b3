#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need (only
# those missing), fetches the minizip sources into .deps/ and builds a static
# libsodium for the Windows build there. Idempotent and quiet once everything
# is in place. Run as root on Debian 12.
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
    # package signatures: libsodium natively, the tools that build it for
    # Windows from its source package, minisign for the test keys
    libsodium-dev minisign autoconf automake libtool make dpkg-dev
    # the Windows installer (MSI), the tables wixl cannot write and their
    # reading (msitools), its Authenticode signatures, test certificates
    wixl msitools osslsigncode openssl
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

# Sources come from Debian source packages. apt-get source is pointed at a
# private source list so the machine's own apt configuration is not changed;
# the archive URI is the one this machine already uses for its packages.
deps="$root/.deps"
apt_work="$deps/apt"
apt_opts=()
prepare_source_list() {
    [ ${#apt_opts[@]} -eq 0 ] || return 0
    . /etc/os-release
    local suite="${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}"
    local uri="" f
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

    rm -rf "$apt_work"; mkdir -p "$apt_work/lists/partial"
    echo "deb-src $uri $suite main" >"$apt_work/sources.list"
    apt_opts=(-o "Dir::Etc::SourceList=$apt_work/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
              -o "Dir::State::Lists=$apt_work/lists" -o "APT::Sandbox::User=root")
    apt-get "${apt_opts[@]}" update -qq
}

# fetch_source PACKAGE: downloads the source package into $apt_work/src/PACKAGE.
fetch_source() {
    prepare_source_list
    rm -rf "$apt_work/src/$1"; mkdir -p "$apt_work/src/$1"
    (cd "$apt_work/src/$1" && apt-get "${apt_opts[@]}" source --download-only -qq "$1" >/dev/null)
}

# minizip: compiled from zlib's source package because every prebuilt
# minizip 1.1 has decryption compiled out.
if [ ! -f "$deps/minizip/unzip.c" ]; then
    fetch_source zlib
    orig=$(ls "$apt_work"/src/zlib/zlib_*.orig.tar.* | head -n 1)
    rm -rf "$deps/minizip"; mkdir -p "$deps/minizip"
    tar -xaf "$orig" -C "$deps/minizip" --strip-components=3 --wildcards '*/contrib/minizip/*'
    echo "setup: minizip sources in $deps/minizip"
fi

# libsodium for the Windows build: Debian ships no MinGW build of it, so its
# source package is built here with the MinGW compilers into a static
# library. The source is the repository archive without a configure script;
# autogen.sh -s makes one (autoconf, automake, libtool).
sodium="$deps/libsodium-mingw"
if [ ! -f "$sodium/lib/libsodium.a" ]; then
    fetch_source libsodium
    orig=$(ls "$apt_work"/src/libsodium/libsodium_*.orig.tar.* | head -n 1)
    build="$apt_work/libsodium-build"
    rm -rf "$build"; mkdir -p "$build"
    tar -xaf "$orig" -C "$build" --strip-components=1
    (cd "$build" && ./autogen.sh -s >/dev/null 2>&1 &&
        ./configure -q --host=x86_64-w64-mingw32 --prefix="$sodium" --disable-shared \
            --enable-static --disable-dependency-tracking >/dev/null &&
        nice make -s -j2 >/dev/null 2>&1 && make -s install >/dev/null)
    echo "setup: static libsodium for Windows in $sodium"
fi
rm -rf "$apt_work"
