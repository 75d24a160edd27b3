#!/usr/bin/env bash
# Makes the archives the conformance tests read, with the archive tools of
# the build machine, and next to each the tree that Info-ZIP unzip extracts
# from it. Run by the build (natively, also for the Windows build, whose
# tests read the same files).  Usage: make_archives.sh <output directory>
set -euo pipefail
out="$1"
rm -rf "$out"
mkdir -p "$out/src" "$out/expected"
cd "$out"

# The package contents: text, binary, empty file, empty and nested
# directories, a name with blanks; each with its own modification time.
mkdir -p src/bin/data src/docs/empty src/docs/sub
printf 'TalCheck conformance package\r\n' >src/readme.txt
: >src/empty.txt
head -c 300000 /dev/urandom >src/bin/app.dll
seq 1 300000 >src/bin/data/big.txt
printf 'deep\n' >src/docs/sub/deep.txt
printf 'blanks\n' >"src/docs/name with blanks.txt"
touch -d '2024-01-15 10:20:30' src/readme.txt
touch -d '2019-02-03 04:05:06' src/empty.txt
touch -d '2023-11-30 23:59:58' src/bin/app.dll
touch -d '2001-01-01 00:00:00' src/bin/data/big.txt
touch -d '2020-03-04 05:06:08' src/docs/sub/deep.txt
touch -d '1999-12-31 12:34:56' "src/docs/name with blanks.txt"

(cd src && zip -q -r ../infozip_deflate.zip .)
(cd src && zip -q -r -0 ../infozip_stored.zip .)
(cd src && zip -q -r -X ../infozip_dos_times.zip .)
(cd src && zip -q -r - . | cat >../infozip_streamed.zip)
(cd src && zip -q -fz- ../infozip_stdin.zip - <readme.txt)
(cd src && zip -q ../infozip_stdin_zip64.zip - <readme.txt)
(cd src && zip -q -r -P secret ../infozip_encrypted.zip .)
(cd src && zip -q -r -P secret - . | cat >../infozip_encrypted_streamed.zip)
(cd src && bsdtar --format zip -cf ../bsdtar.zip .)
(cd src && bsdtar --format zip --options zip:compression=store -cf ../bsdtar_stored.zip .)
(cd src && 7z a -tzip -bd -bso0 -bsp0 ../7z.zip . >/dev/null)
python3 - <<'PY'
import os, zipfile
with zipfile.ZipFile("python_zipfile.zip", "w") as z:
    for base, dirs, files in sorted(os.walk("src")):
        rel = os.path.relpath(base, "src")
        if rel != ".":
            z.write(base, rel + "/")
        for i, f in enumerate(sorted(files)):
            method = zipfile.ZIP_DEFLATED if i % 2 == 0 else zipfile.ZIP_STORED
            z.write(os.path.join(base, f), os.path.normpath(os.path.join(rel, f)), method)
PY

for a in *.zip; do
    name="${a%.zip}"
    case "$name" in *encrypted*) pw=(-P secret) ;; *) pw=() ;; esac
    unzip -o -X -q "${pw[@]}" "$a" -d "expected/$name"
done

# A symbolic link as Info-ZIP stores it (-y): extracted as a plain file.
mkdir -p links && ln -s ../../outside/target links/link && printf 'x\n' >links/plain.txt
(cd links && zip -q -y ../infozip_symlink.zip link plain.txt)
rm -rf links src
