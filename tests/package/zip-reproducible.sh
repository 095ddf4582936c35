#!/usr/bin/env bash
# The portable zip depends on the commit only: made again from a copy of the
# release files with other time stamps, it has the same bytes.
#
#     tests/package/zip-reproducible.sh BIN_DIR ZIP
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/out"
cp "$1"/Lumarind.exe "$1"/lumarind-cli.exe "$1"/Lumarind.txt "$scratch/bin/"
touch -d '2001-02-03 04:05:06' "$scratch/bin/"*
if "$root/packaging/make-packages.sh" "$scratch/bin" "$scratch/out" >/dev/null &&
    cmp -s "$scratch/out/$(basename "$2")" "$2"; then
    echo "PASS zip: the same commit gives the same bytes"
else
    echo "FAIL zip: the same commit gives the same bytes"
fi
