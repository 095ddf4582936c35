#!/usr/bin/env bash
# Makes the portable zip and the per-user MSI from a release build:
#
#     packaging/make-packages.sh BIN_DIR OUT_DIR [VERSION]
#
# BIN_DIR holds Lumarind.exe, lumarind-cli.exe and Lumarind.txt. The name,
# publisher and version come from common/Version.h, the icon from
# resources/A_MAIN.ico, as the program's own do; VERSION (such as 1.00.0002)
# stands in for the version, to try an upgrade. Prints the two paths.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bin=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

# The value of a '#define NAME "text"' line of common/Version.h.
version_macro() {
    local value
    value=$(sed -n "s/^#define $1 \"\(.*\)\"\$/\1/p" "$root/common/Version.h")
    [ -n "$value" ] || { echo "make-packages: no $1 in common/Version.h" >&2; exit 1; }
    printf '%s' "$value"
}

name=$(version_macro LUMARIND_INTERNAL_NAME)
publisher=$(version_macro LUMARIND_PRODUCT_NAME)
version=${3:-$(version_macro LUMARIND_VERSION_TEXT)}
IFS=. read -r major minor revision <<<"$version"
description="$(version_macro LUMARIND_FAMILY_PREFIX)$name $major.$minor"
# Windows Installer reads 1.00.0001 as 1.0.1; the next revision is the first
# version this package no longer replaces.
next_version="$((10#$major)).$((10#$minor)).$((10#$revision + 1))"
files=(Lumarind.exe lumarind-cli.exe Lumarind.txt)
for file in "${files[@]}"; do
    [ -f "$bin/$file" ] || { echo "make-packages: $bin/$file is missing" >&2; exit 1; }
done

# The zip: one folder, fixed order, fixed modes, every time stamp that of the
# commit, no extra fields; the same commit gives the same bytes.
zip_file="$out/$name-$version-win64.zip"
stage="$out/stage"
rm -rf "$stage" "$zip_file"
mkdir -p "$stage/$name"
stamp=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo "${SOURCE_DATE_EPOCH:-315532800}")
for file in "${files[@]}"; do
    cp "$bin/$file" "$stage/$name/$file"
    chmod 644 "$stage/$name/$file"
    touch -d "@$stamp" "$stage/$name/$file"
done
(cd "$stage" && TZ=UTC zip -X -D -q "$zip_file" "${files[@]/#/$name/}")
rm -rf "$stage"

msi_file="$out/$name-$version-win64.msi"
rm -f "$msi_file"
# wixl finds sources only by paths relative to where it runs.
(cd "$root" && wixl --arch x64 -o "$msi_file" \
    -D ProductName="$name" -D Manufacturer="$publisher" -D Version="$version" -D NextVersion="$next_version" \
    -D Description="$description" -D BinDir="$(realpath --relative-to="$root" "$bin")" \
    -D IconFile=resources/A_MAIN.ico packaging/Lumarind.wxs)

echo "$zip_file"
echo "$msi_file"
