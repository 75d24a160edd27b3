#!/usr/bin/env bash
# Small seed archives for the fuzzer, made with the real tools.
# Usage: make_seeds.sh <output directory>
set -euo pipefail
out="$1"
rm -rf "$out"
mkdir -p "$out/src/dir/sub"
cd "$out"
printf 'hello hello hello hello\n' >src/a.txt
printf 'x' >src/dir/sub/b.txt
: >src/empty.txt
(cd src && zip -q -r ../deflate.zip .)
(cd src && zip -q -r -0 ../stored.zip .)
(cd src && zip -q -r -X ../dos.zip .)
(cd src && zip -q -r -P pw ../encrypted.zip .)
(cd src && zip -q -r - . | cat >../streamed.zip)
(cd src && bsdtar --format zip -cf ../bsdtar.zip .)
(cd src && 7z a -tzip -bd -bso0 -bsp0 ../7z.zip . >/dev/null)
(cd src && ln -s ../../x link && zip -q -y ../symlink.zip link a.txt)
python3 - <<'PY'
import zipfile
with zipfile.ZipFile("names.zip", "w") as z:
    for n in ["../up.txt", "..\\..\\win.txt", "/abs.txt", "C:\\d.txt", "a/../../x.txt", "nul", "d/"]:
        z.writestr(n, "data")
with zipfile.ZipFile("hits.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for n in ["x", "a/b", "a/new/c.txt", "ro", "y.txt"]:
        z.writestr(n, "new " + n)
PY
rm -rf src
