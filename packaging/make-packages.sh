#!/usr/bin/env bash
# Makes the portable zip and the per-user MSI from a release build:
#
#     packaging/make-packages.sh BIN_DIR OUT_DIR [VERSION]
#
# BIN_DIR holds Lumarind.exe, lumarind-cli.exe and Lumarind.txt. The name,
# publisher and version come from common/Version.h, the icon from
# resources/A_MAIN.ico, as the program's own do; VERSION (such as 1.00.0002)
# stands in for the version, to try an upgrade. Prints the two paths.
#
# With LUMARIND_SIGN_PFX (a PKCS#12 file; LUMARIND_SIGN_PASSWORD its password,
# LUMARIND_SIGN_TIMESTAMP a timestamp server's URL, both optional) the two
# programs are signed before they are packed, and then the MSI. Either both
# packages are made, complete, or a run that fails leaves OUT_DIR as it was.
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
zip_file="$out/$name-$version-win64.zip"
msi_file="$out/$name-$version-win64.msi"
# Beside the packages, so that they are moved into place whole.
work=$(mktemp -d "$out/.make-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Interrupted, bash would die without running the EXIT trap.
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# Signs IN into OUT with the certificate of LUMARIND_SIGN_PFX. The password
# goes through a pipe, not the command line that every user can see; a file
# without one is read without (osslsigncode cannot read an empty password).
# A timestamp server that takes the connection and never answers would hold
# osslsigncode for ever (it ignores SIGINT), so each signing has a limit.
sign() {
    local report status=0
    report=$(printf '%s' "${LUMARIND_SIGN_PASSWORD:-}" |
        timeout -k 5 "${LUMARIND_SIGN_SECONDS:-120}" osslsigncode sign -pkcs12 "$LUMARIND_SIGN_PFX" \
            ${LUMARIND_SIGN_PASSWORD:+-readpass -} -h sha256 -n "$description" \
            ${LUMARIND_SIGN_TIMESTAMP:+-ts "$LUMARIND_SIGN_TIMESTAMP"} -in "$1" -out "$2" 2>&1) || status=$?
    [ "$status" -eq 0 ] && return
    echo "make-packages: cannot sign $(basename "$1") with $LUMARIND_SIGN_PFX (LUMARIND_SIGN_PFX," \
        "LUMARIND_SIGN_PASSWORD${LUMARIND_SIGN_TIMESTAMP:+, LUMARIND_SIGN_TIMESTAMP}); osslsigncode says:" >&2
    [ "$status" -eq 124 ] && report="no answer in ${LUMARIND_SIGN_SECONDS:-120} s (is the timestamp server up?)"
    grep -Ev '^$|^[0-9A-F]+:error:' <<<"$report" | head -6 | sed 's/^/    /' >&2 || true
    no_package
}

no_package() {
    echo "make-packages: no package was made; $out is as it was." >&2
    exit 1
}

# Windows refuses a signature whose certificate has expired or is not for code
# signing, however well osslsigncode made it. A file openssl cannot read is left
# to osslsigncode to report.
check_certificate() {
    local certificate usage
    local password=(-passin pass:)
    [ -z "${LUMARIND_SIGN_PASSWORD:-}" ] || password=(-passin env:LUMARIND_SIGN_PASSWORD)
    certificate=$(openssl pkcs12 -legacy -in "$LUMARIND_SIGN_PFX" -nokeys -clcerts "${password[@]}" 2>/dev/null) &&
        [ -n "$certificate" ] || return 0
    if ! openssl x509 -noout -checkend 0 <<<"$certificate" >/dev/null; then
        echo "make-packages: the certificate of $LUMARIND_SIGN_PFX has expired;" \
            "$(openssl x509 -noout -enddate <<<"$certificate")." >&2
        no_package
    fi
    usage=$(openssl x509 -noout -ext extendedKeyUsage <<<"$certificate")
    if [ -n "$usage" ] && ! grep -q 'Code Signing' <<<"$usage"; then
        echo "make-packages: the certificate of $LUMARIND_SIGN_PFX is not for code signing" \
            "(its extended key usage:$(tail -n +2 <<<"$usage" | tr -s ' \n' ' ' | sed 's/ $//'))." >&2
        no_package
    fi
}

if [ -n "${LUMARIND_SIGN_PFX:-}" ]; then
    if [ ! -f "$LUMARIND_SIGN_PFX" ] || [ ! -r "$LUMARIND_SIGN_PFX" ]; then
        echo "make-packages: LUMARIND_SIGN_PFX names $LUMARIND_SIGN_PFX, which is not a file that can be read." >&2
        no_package
    fi
    check_certificate
    mkdir "$work/signed"
    for file in "${files[@]}"; do
        case $file in
        *.exe) sign "$bin/$file" "$work/signed/$file" ;;
        *) cp "$bin/$file" "$work/signed/$file" ;;
        esac
    done
    bin=$work/signed
fi

# The zip: one folder, fixed order, fixed modes, every time stamp that of the
# commit, no extra fields; the same commit gives the same bytes.
stage="$work/stage"
mkdir -p "$stage/$name"
stamp=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo "${SOURCE_DATE_EPOCH:-315532800}")
for file in "${files[@]}"; do
    cp "$bin/$file" "$stage/$name/$file"
    chmod 644 "$stage/$name/$file"
    touch -d "@$stamp" "$stage/$name/$file"
done
(cd "$stage" && TZ=UTC zip -X -D -q "$work/package.zip" "${files[@]/#/$name/}")

# wixl finds sources only by paths relative to where it runs.
(cd "$root" && wixl --arch x64 -o "$work/package.msi" \
    -D ProductName="$name" -D Manufacturer="$publisher" -D Version="$version" -D NextVersion="$next_version" \
    -D Description="$description" -D BinDir="$(realpath --relative-to="$root" "$bin")" \
    -D IconFile=resources/A_MAIN.ico packaging/Lumarind.wxs)
if [ -n "${LUMARIND_SIGN_PFX:-}" ]; then
    sign "$work/package.msi" "$work/signed.msi"
    mv "$work/signed.msi" "$work/package.msi"
fi

mv "$work/package.zip" "$zip_file"
mv "$work/package.msi" "$msi_file"
echo "$zip_file"
echo "$msi_file"
