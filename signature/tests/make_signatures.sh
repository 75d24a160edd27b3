#!/usr/bin/env bash
# make_signatures.sh MINISIGN OUTDIR: keys and signatures for the signature
# tests, all made by the minisign tool. Two key pairs (a, b) without
# passwords; a package 5.20.0001.zip of fixed content; its signatures:
#   prehashed.minisig  by a, minisign's default form
#   legacy.minisig     by a, legacy form (-l)
#   other_key.minisig  by b
#   other_name.minisig by a, over the same bytes saved as 5.10.0023.zip
#   no_file.minisig    by a, with a trusted comment that names no file
#   empty_file.minisig by a, with a trusted comment whose file: is empty
set -euo pipefail
minisign="$1"
out="$2"
rm -rf "$out"; mkdir -p "$out"; cd "$out"
for k in a b; do "$minisign" -G -W -f -p "$k.pub" -s "$k.key" >/dev/null </dev/null; done
python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 7 + (i >> 8)) & 255 for i in range(100000)))' \
    >5.20.0001.zip
cp 5.20.0001.zip 5.10.0023.zip
sign() { "$minisign" -S -s "$1" -m "$2" -x "$3" "${@:4}" >/dev/null </dev/null; }
sign a.key 5.20.0001.zip prehashed.minisig
sign a.key 5.20.0001.zip legacy.minisig -l
sign b.key 5.20.0001.zip other_key.minisig
sign a.key 5.10.0023.zip other_name.minisig
sign a.key 5.20.0001.zip no_file.minisig -t "release 5.20"
sign a.key 5.20.0001.zip empty_file.minisig -t $'timestamp:1700000000\tfile:'
