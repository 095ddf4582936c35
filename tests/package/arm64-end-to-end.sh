#!/usr/bin/env bash
# Runs the command-line tool's end-to-end checks on the arm64 package's
# lumarind-cli, under qemu-aarch64 with the arm64 C and C++ libraries of
# Debian's cross-compiler packages.
#
#     tests/package/arm64-end-to-end.sh DEB_ARM64
#
# Prints the checks' "PASS arm64: name" and "FAIL arm64: name" lines.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
deb=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
dpkg-deb -x "$deb" "$scratch/package"

# The loader is named, not found through qemu's -L: with -L, qemu looks up
# every absolute path in the libraries' folder first, so "/" there is not
# the system's root.
libraries=/usr/aarch64-linux-gnu/lib
cat >"$scratch/lumarind-cli" <<WRAPPER
#!/bin/sh
exec qemu-aarch64 $libraries/ld-linux-aarch64.so.1 --library-path $libraries $scratch/package/usr/bin/lumarind-cli "\$@"
WRAPPER
chmod 755 "$scratch/lumarind-cli"

if [ "$("$scratch/lumarind-cli" --version 2>&1)" = "lumarind-cli $(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')" ]; then
    echo "PASS arm64: lumarind-cli --version runs under qemu-aarch64"
else
    echo "FAIL arm64: lumarind-cli --version runs under qemu-aarch64"
fi
"$root/tests/cli/end-to-end.sh" "$scratch/lumarind-cli" | sed -E 's/^(PASS|FAIL|SKIP) /\1 arm64: /'
