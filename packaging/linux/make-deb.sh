#!/usr/bin/env bash
# Makes the Debian package of lumarind-cli for one architecture:
#
#     packaging/linux/make-deb.sh ARCH BINARY COMPLETIONS_DIR OUT_DIR
#
# ARCH is amd64 or arm64; BINARY the release build of lumarind-cli for it;
# COMPLETIONS_DIR what make-completions.py wrote. The version comes from
# common/Version.h, every time stamp from the commit (SOURCE_DATE_EPOCH), so
# the same commit gives the same bytes. Prints the package's path; a run that
# fails leaves OUT_DIR as it was.
#
# LUMARIND_MAINTAINER names who answers for the package (the Maintainer
# field and the changelog's signature).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -eq 4 ] || { echo "usage: make-deb.sh ARCH BINARY COMPLETIONS_DIR OUT_DIR" >&2; exit 2; }
arch=$1
binary=$(realpath -- "$2")
completions=$(cd "$3" && pwd)
mkdir -p "$4"
out=$(cd "$4" && pwd)

case $arch in
amd64) triplet=x86_64-linux-gnu ;;
arm64) triplet=aarch64-linux-gnu ;;
*) echo "make-deb: no such architecture here: $arch (amd64 or arm64)" >&2; exit 2 ;;
esac
[ -f "$binary" ] || { echo "make-deb: $binary is missing" >&2; exit 1; }

package=lumarind-cli
upstream=$(sed -n 's/^#define LUMARIND_VERSION_TEXT "\(.*\)"$/\1/p' "$root/common/Version.h")
company=$(sed -n 's/^#define LUMARIND_COMPANY "\(.*\)"$/\1/p' "$root/common/Version.h")
[ -n "$upstream" ] && [ -n "$company" ] || { echo "make-deb: cannot read common/Version.h" >&2; exit 1; }
# The first Debian revision of that version: a package with a Debian
# revision keeps its changelog as changelog.Debian.gz.
version=$upstream-1
maintainer=${LUMARIND_MAINTAINER:-$company <lumarind@tolvarn.example>}
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo "${SOURCE_DATE_EPOCH:-315532800}")
export SOURCE_DATE_EPOCH
deb="$out/${package}_${version}_$arch.deb"

work=$(mktemp -d "$out/.make-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
umask 022
stage="$work/$package"
doc="$stage/usr/share/doc/$package"
mkdir -p "$stage/DEBIAN" "$stage/usr/bin" "$stage/usr/share/man/man1" "$doc" \
    "$stage/usr/share/bash-completion/completions" "$stage/usr/share/zsh/vendor-completions" \
    "$stage/usr/share/fish/vendor_completions.d" "$stage/usr/share/lintian/overrides"

# Stripped as Debian's own packages are (dh_strip).
"$triplet-strip" --remove-section=.comment --remove-section=.note --strip-unneeded \
    -o "$stage/usr/bin/$package" "$binary"
chmod 755 "$stage/usr/bin/$package"

day=$(LC_ALL=C date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)
sed -e "s/@VERSION@/$upstream/g" -e "s/@DATE@/$day/g" "$here/lumarind-cli.1" |
    gzip -9n >"$stage/usr/share/man/man1/$package.1.gz"
install -m 644 "$completions/$package.bash" "$stage/usr/share/bash-completion/completions/$package"
install -m 644 "$completions/_$package" "$stage/usr/share/zsh/vendor-completions/_$package"
install -m 644 "$completions/$package.fish" "$stage/usr/share/fish/vendor_completions.d/$package.fish"
install -m 644 "$here/copyright" "$doc/copyright"
install -m 644 "$here/lintian-overrides" "$stage/usr/share/lintian/overrides/$package"
{
    echo "$package ($version) unstable; urgency=medium"
    echo
    echo "  * Lumarind $upstream: lumarind-cli with its manual page and its"
    echo "    completions for bash, zsh and fish."
    echo
    echo " -- $maintainer  $(LC_ALL=C date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$doc/changelog.Debian.gz"

# The libraries the program needs, as dpkg-shlibdeps finds them. Built for
# another architecture, it links Debian's cross libraries
# (libstdc++6-arm64-cross...), which stand for the target's own packages;
# one that gives no least version is taken at the version built against.
depends() {
    local found dependency name
    mkdir -p "$work/shlibs/debian"
    : >"$work/shlibs/debian/control"
    found=$(cd "$work/shlibs" && CC="$triplet-gcc" dpkg-architecture -a "$arch" -c \
        dpkg-shlibdeps -O -l"/usr/$triplet/lib" "$stage/usr/bin/$package" 2>/dev/null |
        sed -n 's/^shlibs:Depends=//p')
    [ -n "$found" ] || { echo "make-deb: dpkg-shlibdeps found no libraries" >&2; exit 1; }
    while read -r dependency; do
        name=${dependency%% *}
        if [ "$arch" != "$(dpkg --print-architecture)" ] && [ "$name" = "${dependency}" ]; then
            local cross_version
            cross_version=$(dpkg-query -W -f='${Version}' "${name%%:*}-$arch-cross" 2>/dev/null || true)
            cross_version=${cross_version#*:}
            [ -n "$cross_version" ] && dependency="$name (>= ${cross_version%%-*})"
        fi
        dependency=${dependency/:$arch/}
        echo "${dependency/-$arch-cross/}"
    done < <(tr ',' '\n' <<<"$found" | sed 's/^ *//') | paste -sd, - | sed 's/,/, /g'
}

installed_size=$(du -k -s --apparent-size --exclude=DEBIAN "$stage" | cut -f1)
cat >"$stage/DEBIAN/control" <<EOF
Package: $package
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $installed_size
Depends: $(depends)
Section: utils
Priority: optional
Description: writes a file as a data URL (RFC 2397), or decodes one
 lumarind-cli writes the data URL of a file: "data:", its content type and
 its content in Base64, in lines of 76 characters or on one line, or
 percent-encoded. It also wraps the data URL in a CSS, HTML or Markdown
 snippet for web pages, takes the content type browsers expect from the
 file's extension or content, and decodes a data URL back into its bytes.
 .
 It is the command-line companion of Lumarind, a Windows program that does
 the same in a window.
EOF
(cd "$stage" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

# Owner root, entries sorted, times clamped to SOURCE_DATE_EPOCH, and one
# compression thread, since xz's output depends on their number.
dpkg-deb --root-owner-group --threads-max=1 -Zxz --build "$stage" "$work/package.deb" >/dev/null
mv "$work/package.deb" "$deb"
echo "$deb"
