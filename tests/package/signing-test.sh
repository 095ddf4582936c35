#!/usr/bin/env bash
# Signed packages: with a throwaway self-signed code-signing certificate the
# two programs (in the zip and in the MSI) and the MSI verify against it; a
# wrong password, a missing certificate, a certificate not for code signing or
# a timestamp server that does not answer stop with a message and leave the
# packages of an earlier run as they were.
#
#     tests/package/signing-test.sh BIN_DIR
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check() {  # name command...
    local name=$1
    shift
    if "$@" >"$scratch/check.log" 2>&1; then echo "PASS $name"; else echo "FAIL $name"; cat "$scratch/check.log"; fi
}

password='pass word;$(not run)'
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Lumarind test signing" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Lumarind test server" \
    -addext "extendedKeyUsage=serverAuth" -keyout "$scratch/server-key.pem" -out "$scratch/server.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$scratch/server-key.pem" -in "$scratch/server.pem" -passout "pass:$password" \
    -out "$scratch/server.pfx"
for pass in "$password" ""; do
    openssl pkcs12 -export -inkey "$scratch/key.pem" -in "$scratch/cert.pem" -passout "pass:$pass" \
        -out "$scratch/signing${pass:+-protected}.pfx"
done

package() {  # OUT_DIR PASSWORD [PFX] [TIMESTAMP]
    mkdir -p "$1"
    LUMARIND_SIGN_PFX=${3:-$scratch/signing-protected.pfx} LUMARIND_SIGN_PASSWORD=$2 LUMARIND_SIGN_TIMESTAMP=${4:-} \
        "$root/packaging/make-packages.sh" "$bin" "$1" >"$1.out" 2>"$1.err"
}

verify() { osslsigncode verify -CAfile "$scratch/cert.pem" -in "$1" >/dev/null; }

package "$scratch/signed" "$password"
check "signing: packages are made with a certificate" test -s "$scratch/signed.out"
unzip -q "$scratch"/signed/*.zip -d "$scratch/zip"
msiextract -C "$scratch/msi" "$scratch"/signed/*.msi >/dev/null
for program in Lumarind.exe lumarind-cli.exe; do
    check "signing: $program in the zip verifies" verify "$scratch/zip/Lumarind/$program"
    check "signing: $program in the MSI verifies" verify "$(find "$scratch/msi" -name "$program" | head -1)"
done
check "signing: the MSI verifies" verify "$(ls "$scratch"/signed/*.msi)"
check "signing: the signed programs keep their manifests" "$root/tests/manifest/check-manifests.py" \
    "$scratch/zip/Lumarind/Lumarind.exe" "$scratch/zip/Lumarind/lumarind-cli.exe"
check "signing: nothing else is left beside the packages" \
    test "$(find "$scratch/signed" -mindepth 1 | wc -l)" -eq 2

package "$scratch/no-password" "" "$scratch/signing.pfx"
check "signing: a certificate without a password signs" verify "$(ls "$scratch"/no-password/*.msi)"

# Each failure: a message naming the cause, no leftovers, and the packages of
# an earlier run untouched.
failure() {  # name expected-message password [pfx] [timestamp]
    local name=$1 message=$2 out="$scratch/fails-${1// /-}"
    shift 2
    mkdir -p "$out"
    cp "$scratch"/signed/* "$out/"
    package "$out" "$@"
    local status=$?
    check "signing: $name fails" test "$status" -ne 0
    check "signing: $name says so" grep -q "$message" "$out.err"
    check "signing: $name leaves the earlier packages as they were" diff -r "$scratch/signed" "$out"
}
failure "a wrong password" "Wrong password" wrong
failure "a missing certificate" "not a file that can be read" missing "$scratch/none.pfx"
failure "a certificate not for code signing" "not for code signing" "$password" "$scratch/server.pfx"
failure "a silent timestamp server" "127.0.0.1:9" "$password" "" "http://127.0.0.1:9/"
# A timestamp server that takes the connection and never answers.
python3 -c 'import socket, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen()
print(s.getsockname()[1], flush=True); held = s.accept(); time.sleep(300)' >"$scratch/port" &
server=$!
for _ in $(seq 200); do [ -s "$scratch/port" ] && break; sleep 0.05; done
LUMARIND_SIGN_SECONDS=2 failure "a timestamp server that never answers" "no answer in 2 s" "$password" "" \
    "http://127.0.0.1:$(cat "$scratch/port")/"
kill "$server" 2>/dev/null
