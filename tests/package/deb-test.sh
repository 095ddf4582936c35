#!/usr/bin/env bash
# Checks the Debian packages of lumarind-cli as dpkg and lintian see them:
# lintian's verdict, the files and fields, the program run where the package
# is unpacked, the same bytes when made again, and (as root) an install and
# removal with dpkg that leave nothing behind.
#
#     tests/package/deb-test.sh DEB_AMD64 DEB_ARM64 BIN_AMD64 BIN_ARM64 COMPLETIONS_DIR
#
# BIN_* and COMPLETIONS_DIR are what the packages were made from. Prints
# "PASS name", "FAIL name" or "SKIP name: why" per check, and "INFO" lines
# with the informational tags lintian leaves.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
declare -A debs=([amd64]="$(realpath "$1")" [arm64]="$(realpath "$2")")
declare -A bins=([amd64]="$(realpath "$3")" [arm64]="$(realpath "$4")")
completions=$(realpath "$5")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check() {
    local name=$1
    shift
    if "$@" >"$scratch/check.log" 2>&1; then echo "PASS $name"; else echo "FAIL $name"; sed 's/^/    /' "$scratch/check.log" | head -20; fi
}

version=$(sed -n 's/^#define LUMARIND_VERSION_TEXT "\(.*\)"$/\1/p' "$root/common/Version.h")
readonly kFiles="./usr/bin/lumarind-cli
./usr/share/bash-completion/completions/lumarind-cli
./usr/share/doc/lumarind-cli/changelog.Debian.gz
./usr/share/doc/lumarind-cli/copyright
./usr/share/fish/vendor_completions.d/lumarind-cli.fish
./usr/share/lintian/overrides/lumarind-cli
./usr/share/man/man1/lumarind-cli.1.gz
./usr/share/zsh/vendor-completions/_lumarind-cli"

# Errors and warnings fail; what lintian only mentions is listed.
lintian_clean() {  # deb
    local report
    report=$(lintian --display-info --pedantic "$1" 2>/dev/null)
    grep -E '^[IPX]: ' <<<"$report" | sed 's/^/INFO lintian: /' >&3
    ! grep -E '^[EW]: ' <<<"$report"
}
files_are() { [ "$(dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)" = "$kFiles" ]; }
field() { dpkg-deb -f "$1" "$2"; }
fields_are_right() {  # deb arch
    [ "$(field "$1" Package)" = lumarind-cli ] && [ "$(field "$1" Version)" = "$version-1" ] &&
        [ "$(field "$1" Architecture)" = "$2" ] && [ "$(basename "$1")" = "lumarind-cli_${version}-1_$2.deb" ] &&
        grep -qE '^libc6 \(>= [0-9.]+\), libgcc-s1 \(>= [0-9.]+\), libstdc\+\+6 \(>= [0-9.]+\)$' <<<"$(field "$1" Depends)"
}
stripped() {  # deb arch
    local machine=X86-64
    [ "$2" = arm64 ] && machine=AArch64
    dpkg-deb --fsys-tarfile "$1" | tar -xO ./usr/bin/lumarind-cli >"$scratch/program" &&
        readelf -h "$scratch/program" | grep -qE "Machine: .*$machine$" &&
        ! readelf -S "$scratch/program" | grep -qE '\.(symtab|debug_info)'
}
# Made again from a copy of its sources with other time stamps.
same_bytes_again() {  # deb arch
    rm -rf "$scratch/again" && mkdir -p "$scratch/again/bin" &&
        cp "${bins[$2]}" "$scratch/again/bin/lumarind-cli" && cp -r "$completions" "$scratch/again/completions" &&
        touch -d '2001-02-03 04:05:06' "$scratch/again/bin/lumarind-cli" "$scratch/again/completions"/* &&
        "$root/packaging/linux/make-deb.sh" "$2" "$scratch/again/bin/lumarind-cli" "$scratch/again/completions" \
            "$scratch/again/out" >/dev/null &&
        cmp "$scratch/again/out/$(basename "$1")" "$1"
}

for arch in amd64 arm64; do
    deb=${debs[$arch]}
    check "$arch deb: lintian reports no error and no warning" lintian_clean "$deb" 3>&1
    check "$arch deb: the program, manual page, completions, copyright and changelog" files_are "$deb"
    check "$arch deb: name, version, architecture, Depends from dpkg-shlibdeps" fields_are_right "$deb" "$arch"
    check "$arch deb: the program is built for $arch and stripped" stripped "$deb" "$arch"
    check "$arch deb: the same commit gives the same bytes" same_bytes_again "$deb" "$arch"
done
check "amd64 deb: changelog.Debian.gz names the version" bash -c \
    "dpkg-deb --fsys-tarfile '${debs[amd64]}' | tar -xO ./usr/share/doc/lumarind-cli/changelog.Debian.gz | zcat | head -1 | grep -qF 'lumarind-cli ($version-1)'"

# Unpacked anywhere, the program runs there.
dpkg-deb -x "${debs[amd64]}" "$scratch/unpacked"
printf '\x89PN' >"$scratch/dot.png"
check "amd64 deb: lumarind-cli runs where dpkg-deb -x unpacked it" bash -c \
    "[ \"\$('$scratch/unpacked/usr/bin/lumarind-cli' --version)\" = 'lumarind-cli $version' ] &&
     [ \"\$('$scratch/unpacked/usr/bin/lumarind-cli' -1 -t image/png '$scratch/dot.png')\" = data:image/png\;base64,iVBO ]"

# Installed and removed for real, but in a mount namespace of its own whose
# /usr and /var are overlays: the machine's own files and dpkg database stay
# as they were, and what the package left is what the overlays' upper
# layers hold afterwards.
install_and_remove() {
    mkdir -p "$scratch/layers/usr/upper" "$scratch/layers/usr/work" "$scratch/layers/var/upper" \
        "$scratch/layers/var/work"
    unshare -m bash -euo pipefail -c '
        layers=$1 deb=$2 dot=$3 version=$4
        for tree in usr var; do
            mount -t overlay overlay -o "lowerdir=/$tree,upperdir=$layers/$tree/upper,workdir=$layers/$tree/work" "/$tree"
        done
        # man-db would rebuild its whole index at each trigger: a minute of
        # work that says nothing about this package.
        rm -f /var/lib/man-db/auto-update
        dpkg -i "$deb" >/dev/null
        [ "$(dpkg-query -W -f="\${Status} \${Version}" lumarind-cli)" = "install ok installed $version-1" ]
        [ "$(lumarind-cli -1 -t image/png "$dot")" = "data:image/png;base64,iVBO" ]
        [ "$(man -w lumarind-cli)" = /usr/share/man/man1/lumarind-cli.1.gz ]
        dpkg -r lumarind-cli >/dev/null
        ! command -v lumarind-cli
        ! dpkg-query -W -f="\${Status}" lumarind-cli 2>/dev/null | grep -q installed
        ! dpkg -L lumarind-cli 2>/dev/null
    ' _ "$scratch/layers" "${debs[amd64]}" "$scratch/dot.png" "$version" &&
        # Left: only folders that existed before (copied up, now empty), and
        # dpkg's own records: its log, status and the status backup.
        left=$(cd "$scratch/layers" && find usr/upper var/upper ! -type d |
            grep -vE '^var/upper/(lib/man-db/auto-update|log/dpkg\.log|lib/dpkg/(status|status-old|lock.*|triggers/.*|info/format|available))$' || true) &&
        { [ -z "$left" ] || { echo "left behind: $left"; false; }; } &&
        ! grep -rq lumarind-cli "$scratch/layers/var/upper/lib/dpkg/status"
}
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP amd64 deb: installed and removed with dpkg: needs root"
elif ! unshare -m mount -t tmpfs tmpfs "$scratch" 2>/dev/null; then
    echo "SKIP amd64 deb: installed and removed with dpkg: no mount namespace to keep the machine's files out of it"
else
    check "amd64 deb: dpkg -i installs it, dpkg -r removes it and leaves nothing behind" install_and_remove
fi
