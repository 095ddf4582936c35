#!/usr/bin/env bash
# End-to-end checks of lumarind-cli against independent tools: GNU base64
# decodes what it writes, and --decode inverts both forms. With a Windows
# build given (run under Wine by the caller's environment), its output must
# equal the native one byte for byte. Prints "PASS name" or "FAIL name" per
# check.
set -uo pipefail

native=$(realpath "$1")
windows=${2:+$(realpath "$2")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A program that a script runs in an emulator (qemu-user, for another
# processor) shares its limits on memory and threads with the emulator,
# which needs more of both: checks of those limits are for a program run
# directly.
run_directly=1
[ "$(head -c 2 "$native")" = '#!' ] && run_directly=0

check() {
    local name=$1
    shift
    if "$@" >/dev/null 2>&1; then echo "PASS $name"; else echo "FAIL $name"; fi
}

# A Wine process now and then fails to start when many run back to back;
# a real fault fails every time, so a start is tried three times.
run_windows() {  # output-file arguments...
    local output=$1 attempt
    shift
    for attempt in 1 2 3; do
        wine "$windows" "$@" >"$output" 2>/dev/null && [ -s "$output" ] && return 0
    done
    return 1
}

body() { tail -c +"$(($(head -n1 "$1" | wc -c) + 1))" "$1"; }

decodes_to() {  # data-url-file original-file
    body "$1" | tr -d '\r\n' | base64 -d | cmp -s - "$2"
}

lines_are_crlf_76() {
    body "$1" | awk 'BEGIN { RS = "\r\n"; bad = 0 } { if (length($0) > 76 || index($0, "\r") || index($0, "\n")) bad = 1 } END { exit bad }'
}

for n in 0 1 2 3 57 58; do head -c "$n" /dev/urandom >"$work/bytes-$n.bin"; done
head -c 3000000 /dev/urandom >"$work/random.bin"
cp "$(dirname "$0")/../../samples/lumarind-icon.png" "$work/picture.png"
head -c 500 /dev/urandom >"$work/no-extension"
head -c 700 /dev/urandom >"$work/Фото отпуска.png"

for file in "$work"/*; do
    name=$(basename "$file")
    "$native" "$file" >"$work/out.multi" 2>/dev/null
    "$native" -1 "$file" >"$work/out.single" 2>/dev/null
    check "$name: multi-line body decodes with base64 -d" decodes_to "$work/out.multi" "$file"
    check "$name: header ends in CR LF, lines of 76" lines_are_crlf_76 "$work/out.multi"
    check "$name: one-line form has no CR or LF" bash -c "! tr -d -c '\r\n' <'$work/out.single' | grep -q ."
    check "$name: one-line form is the multi-line one without breaks" bash -c "cmp -s <(tr -d '\r\n' <'$work/out.multi') '$work/out.single'"
    check "$name: --decode inverts the multi-line form" bash -c "'$native' -d '$work/out.multi' | cmp -s - '$file'"
    check "$name: --decode inverts the one-line form" bash -c "'$native' --decode <'$work/out.single' | cmp -s - '$file'"
    if [ -n "$windows" ]; then
        windows_file=$(winepath -w "$file" 2>/dev/null)
        run_windows "$work/win.multi" "$windows_file"
        run_windows "$work/win.single" -1 "$windows_file"
        check "$name: Windows build writes the same lines" bash -c "cmp -s <(tail -n +2 '$work/win.multi') <(tail -n +2 '$work/out.multi')"
        check "$name: Windows build writes the same one-line body" bash -c "cmp -s <(sed 's/^[^,]*,//' '$work/win.single') <(sed 's/^[^,]*,//' '$work/out.single')"
    fi
done

check "picture.png: content type image/png" bash -c "head -n1 <('$native' '$work/picture.png') | grep -q '^data:image/png;base64,'"
check "no-extension: no content type" bash -c "head -c 15 <('$native' '$work/no-extension') | cmp -s - <(printf 'data:;base64,\r\n')"
check "standard input: no content type" bash -c "printf abc | '$native' | cmp -s - <(printf 'data:;base64,\r\nYWJj')"
check "-t '' gives data:;base64," bash -c "'$native' -1 -t '' '$work/picture.png' | grep -q '^data:;base64,'"
check "missing file: exit 1, message names it" bash -c "'$native' '$work/none' 2>&1 >/dev/null | grep -q \"cannot read '$work/none'\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ]"
check "unknown option: exit 2" bash -c "'$native' --nope 2>/dev/null; [ \$? -eq 2 ]"
check "-o replaces a file only when complete" bash -c "echo old >'$work/target'; '$native' -d -o '$work/target' <<<'data:;base64,YWJj\$'; [ \"\$(cat '$work/target')\" = old ] && [ \$(ls -A '$work' | grep -c lumarind-cli) -eq 0 ]"
check "-o writes the output" bash -c "'$native' -o '$work/target' '$work/bytes-3.bin' && cmp -s '$work/target' <('$native' '$work/bytes-3.bin')"
if [ -n "$windows" ]; then
    run_windows "$work/win.picture" "$(winepath -w "$work/picture.png" 2>/dev/null)"
    check "Windows: png content type from the registry" bash -c "head -n1 '$work/win.picture' | grep -q '^data:image/png;base64,'"
fi

# -o never harms what it names.
mkdir -p "$work/safety" && cd "$work/safety" || exit 1
cp "$work/picture.png" same.png
check "-o naming the input: exit 1, input unchanged" bash -c "'$native' -o same.png same.png 2>/dev/null; [ \$? -eq 1 ] && cmp -s same.png '$work/picture.png'"
ln -s same.png same-link.png
check "-o naming the input through a link: exit 1, input unchanged" bash -c "'$native' -o same-link.png same.png 2>/dev/null; [ \$? -eq 1 ] && cmp -s same.png '$work/picture.png' && [ -L same-link.png ]"
check "-o naming standard input's file: exit 1" bash -c "'$native' -o same.png <same.png 2>/dev/null; [ \$? -eq 1 ] && cmp -s same.png '$work/picture.png'"
# Paths longer than PATH_MAX: the file the output opened is compared, not its path.
check "-o naming the input by a path longer than PATH_MAX: exit 1, input unchanged" bash -c \
    "'$native' -o \"\$(printf './%.0s' \$(seq 2100))same.png\" same.png 2>/dev/null; [ \$? -eq 1 ] && cmp -s same.png '$work/picture.png'"
printf 'data:,abc' >url.txt
deep_folder_checks() {
    local step
    for step in $(seq 22); do mkdir "$(printf 'd%.0s' $(seq 200))" && cd d* || return 1; done
    [ ${#PWD} -gt 4096 ] || return 1
    cp "$work/picture.png" in.png && cp "$work/safety/url.txt" url.txt
    check "-o naming the input by its absolute path of over 4096 bytes: exit 1, input unchanged" bash -c \
        "'$native' -o \"\$PWD/in.png\" in.png 2>/dev/null; [ \$? -eq 1 ] && cmp -s in.png '$work/picture.png'"
    check "--decode -o naming the input by its absolute path of over 4096 bytes: exit 1, input unchanged" bash -c \
        "'$native' -d -o \"\$PWD/url.txt\" url.txt 2>/dev/null; [ \$? -eq 1 ] && [ \"\$(cat url.txt)\" = 'data:,abc' ]"
    check "-o by an absolute path of over 4096 bytes writes there" bash -c \
        "'$native' -d -o \"\$PWD/out.txt\" url.txt && [ \"\$(cat out.txt)\" = abc ]"
}
(deep_folder_checks) || echo "FAIL a folder path over 4096 bytes could not be made"
# Standard output appended to an input would read back what it adds, forever.
appending_to_an_input() {
    cp "$work/random.bin" appended.bin
    timeout 10 "$native" appended.bin 2>err.txt >>appended.bin
    [ $? -eq 1 ] && grep -q 'cannot write standard output: input file is output file' err.txt || return 1
    timeout 10 "$native" -o /dev/stdout appended.bin 2>/dev/null >>appended.bin
    [ $? -eq 1 ] && cmp -s appended.bin "$work/random.bin" || return 1
    timeout 10 "$native" -d url.txt 2>/dev/null >>url.txt
    [ $? -eq 1 ] && [ "$(cat url.txt)" = 'data:,abc' ]
}
check "standard output appending to the input: exit 1 at once, 'input file is output file', input unchanged" appending_to_an_input
rm -f appended.bin
# Names reach the terminal only escaped.
escaped_in_messages() {
    "$native" $'x\e[31mRED\n' 2>err.txt
    ! grep -q $'\e' err.txt && grep -qF "cannot read 'x'\$'\\033''[31mRED'\$'\\n':" err.txt || return 1
    printf abc >$'x\e[31mRED.txt'
    "$native" --max-size 1 $'x\e[31mRED.txt' 2>err.txt
    ! grep -q $'\e' err.txt && grep -qF "nothing written for 'x'\$'\\033''[31mRED.txt':" err.txt || return 1
    "$native" -t $'a/b\e[31m' same.png 2>err.txt >/dev/null
    ! grep -q $'\e' err.txt && grep -qF "'a/b'\$'\\033''[31m' is not a content type" err.txt || return 1
    "$native" $'--\e[31m' 2>err.txt
    ! grep -q $'\e' err.txt && grep -qF "unknown option '--'\$'\\033''[31m'" err.txt || return 1
    # --extract lists a type only when it is printable.
    printf '<img src="data:x/\e[31m;base64,YQ==">' >escape.html
    "$native" -x escaped escape.html >list.txt && ! grep -q $'\e' list.txt && cmp -s escaped/data-1.txt <(printf a)
}
check "a file name or option value with control characters is shown escaped in messages" escaped_in_messages
check "-o given twice: exit 2, nothing written" bash -c "'$native' -o a.txt -o b.txt same.png 2>/dev/null; [ \$? -eq 2 ] && [ ! -e a.txt ] && [ ! -e b.txt ]"
check "-t given twice: exit 2" bash -c "'$native' -t a/b -t c/d same.png >/dev/null 2>&1; [ \$? -eq 2 ]"
echo old >real.txt && ln -s real.txt link.txt
check "-o through a symbolic link replaces its target, the link stays" bash -c "'$native' -1 -t '' -o link.txt '$work/bytes-3.bin' && [ -L link.txt ] && cmp -s real.txt <('$native' -1 -t '' '$work/bytes-3.bin')"
mkfifo pipe.fifo
# Held open for reading on descriptor 3, the FIFO has its reader before the
# program starts.
check "-o onto a FIFO writes through it, the FIFO stays" bash -c "exec 3<>pipe.fifo; '$native' -1 -t '' -o pipe.fifo '$work/bytes-3.bin' && [ -p pipe.fifo ] && cmp -s <(timeout 5 head -c 17 <&3) <('$native' -1 -t '' '$work/bytes-3.bin')"
check "-o onto a FIFO nobody reads: exit 1 at once, 'nobody is reading'" bash -c "timeout 10 '$native' -o pipe.fifo same.png 2>&1 | grep -q \"cannot write 'pipe.fifo': nobody is reading\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ]"
if mknod null c 1 3 2>/dev/null; then
    check "-o onto a device writes to it, the device stays" bash -c "'$native' -d -o null <<<'data:,x' && [ -c null ]"
fi
echo old >mode.txt && chmod 640 mode.txt
check "-o keeps the replaced file's mode" bash -c "'$native' -o mode.txt same.png && [ \$(stat -c %a mode.txt) = 640 ] && [ \$(ls -A | grep -c lumarind-cli) -eq 0 ]"
# chattr's attributes, where the file system has them.
if echo old >flags.txt && chattr +d +A flags.txt 2>/dev/null; then
    check "-o keeps the replaced file's chattr attributes" bash -c \
        "'$native' -o flags.txt same.png && cmp -s flags.txt <('$native' same.png) && lsattr flags.txt | grep -q '^[^ ]*d[^ ]*A'"
fi
# Stopped half-way (by SIGTERM once the first of two rounds of input is
# written, while it waits for the second), a save leaves the old content and
# nothing beside it.
mkfifo feed
check "-o stopped half-way: the old content, no temporary file left" bash -c \
    "echo old >stopped.txt; '$native' -o stopped.txt <feed & exec 3>feed; head -c 1000000 /dev/zero >&3;
     for i in \$(seq 200); do awk '/^wchar/ { exit !(\$2 > 0) }' /proc/\$!/io && break; sleep 0.05; done
     kill -TERM \$!; wait \$!; [ \"\$(cat stopped.txt)\" = old ] && [ \$(ls -A | grep -c lumarind-cli) -eq 0 ]"
# Extended attributes, access control lists among them, stay with the file;
# a folder's default list does not make one the file did not have.
attributes() { python3 -c 'import os, sys; print(sorted((n, os.getxattr(sys.argv[1], n)) for n in os.listxattr(sys.argv[1])))' "$1"; }
export -f attributes
echo old >listed.txt && mkdir defaults && echo old >defaults/plain.txt
if python3 -c 'import os, struct
entry = lambda tag, perm, id=0xffffffff: struct.pack("<HHI", tag, perm, id)
acl = struct.pack("<I", 2) + entry(1, 6) + entry(2, 6, 65534) + entry(4, 4) + entry(0x10, 6) + entry(0x20, 4)
os.setxattr("listed.txt", "system.posix_acl_access", acl)
os.setxattr("listed.txt", "user.note", b"kept")
os.setxattr("defaults", "system.posix_acl_default", acl)' 2>/dev/null; then
    before=$(attributes listed.txt)
    check "-o keeps extended attributes and access control lists" bash -c \
        "'$native' -o listed.txt same.png && [ \"\$(attributes listed.txt)\" = \"\$1\" ] && [ \$(stat -c %a listed.txt) = 664 ]" _ "$before"
    check "-o in a folder with a default access list adds none to the file" bash -c \
        "'$native' -o defaults/plain.txt same.png && [ \"\$(attributes defaults/plain.txt)\" = '[]' ]"
fi
# Exactly two blocks of output, both written by the output thread: its
# failure on the last one must still fail the run.
head -c 1048576 /dev/urandom >mib.bin && "$native" -1 -t '' mib.bin >mib.txt
check "-d of exactly two blocks onto /dev/full, by -o and as standard output: exit 1" bash -c \
    "'$native' -d -o /dev/full mib.txt 2>/dev/null; [ \$? -eq 1 ] || exit 1; '$native' -d mib.txt 2>/dev/null >/dev/full; [ \$? -eq 1 ]"
# A new file gets the folder's default access list, as any program's new
# file does (touch's here), and the umask does not apply.
if command -v setfacl >/dev/null && mkdir acl-defaults && setfacl -d -m u::rw,g::rw,o::---,u:nobody:rw acl-defaults 2>/dev/null; then
    check "-o makes a new file with the folder's default access list, as touch does" bash -c \
        "umask 077; touch acl-defaults/by-touch && '$native' -o acl-defaults/new.txt same.png &&
         [ \"\$(getfacl -cp acl-defaults/new.txt)\" = \"\$(getfacl -cp acl-defaults/by-touch)\" ] && [ \$(stat -c %a acl-defaults/new.txt) = 660 ]"
fi
check "-o makes a new file as the umask says where the folder has no default list" bash -c \
    "umask 027; '$native' -o umask.txt same.png && [ \$(stat -c %a umask.txt) = 640 ]"
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
    chmod 711 "$work" && chmod 777 . && echo old >theirs.txt && chmod 644 theirs.txt
    check "-o onto a file the user may not write: exit 1, unchanged" bash -c "setpriv --reuid=65534 --regid=65534 --clear-groups '$native' -o theirs.txt same.png 2>&1 | grep -q 'Permission denied'; [ \"\${PIPESTATUS[*]}\" = '1 0' ] && [ \"\$(cat theirs.txt)\" = old ]"
fi

# -o as the kernel sees the name: streams, links, other users.
printf abc >abc.bin
expected=$("$native" -1 -t '' abc.bin)
check "-o /dev/stdout into a pipe" bash -c "[ \"\$('$native' -1 -t '' -o /dev/stdout abc.bin | cat)\" = '$expected' ]"
check "-o /dev/stdout onto a file opened for appending keeps what was there" bash -c \
    "echo first >app.txt; '$native' -1 -t '' -o /dev/stdout abc.bin >>app.txt && [ \"\$(cat app.txt)\" = \"\$(printf 'first\n%s' '$expected')\" ]"
check "-o /dev/stdout between two writes of the same redirection" bash -c \
    "{ echo header; '$native' -1 -t '' -o /dev/stdout abc.bin; echo; echo footer; } >both.txt && [ \"\$(cat both.txt)\" = \"\$(printf 'header\n%s\nfooter' '$expected')\" ]"
check "-o /dev/stderr and /dev/fd/3 write to those streams" bash -c \
    "[ \"\$('$native' -1 -t '' -o /dev/stderr abc.bin 2>&1 >/dev/null)\" = '$expected' ] && [ \"\$('$native' -1 -t '' -o /dev/fd/3 abc.bin 3>&1 >/dev/null)\" = '$expected' ]"
check "-o /dev/fd/3 open on a folder: exit 1, 'Is a directory'" bash -c \
    "'$native' -o /dev/fd/3 abc.bin 3<. 2>&1 | grep -q \"cannot write '/dev/fd/3': Is a directory\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ]"
check "-o /dev/fd/ and /proc/self/fd/, the lists of descriptors: exit 1, 'Is a directory'" bash -c \
    "for list in /dev/fd/ /proc/self/fd/; do '$native' -o \$list abc.bin 2>&1 | grep -q \"cannot write '\$list': Is a directory\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ] || exit 1; done"
check "-o >(command) writes to the command" bash -c \
    "'$native' -1 -t '' -o >(cat >substituted.txt) abc.bin && for i in \$(seq 100); do [ \"\$(cat substituted.txt 2>/dev/null)\" = '$expected' ] && exit 0; sleep 0.05; done; exit 1"
# The old content is longer than the new: what is written in place is cut to length.
printf '%0200d' 0 >hard-a.txt && ln hard-a.txt hard-b.txt
check "-o onto a file with two names: both show the new content, still one file" bash -c \
    "'$native' -1 -t '' -o hard-a.txt abc.bin && cmp -s hard-b.txt <(printf %s '$expected') && [ \$(stat -c %h:%i hard-a.txt) = \$(stat -c %h:%i hard-b.txt) ] && [ \$(stat -c %h hard-a.txt) = 2 ]"
# Where the new content waits in $TMPDIR (not on disks that clone), a
# failure there names that folder, not the file.
case $(stat -f -c %T .) in
btrfs | xfs | bcachefs | zfs) ;;
*) check "-o in place with \$TMPDIR missing: exit 1, the temporary folder named, the file unchanged" bash -c \
    "TMPDIR='$work/none' '$native' -o hard-a.txt abc.bin 2>&1 | grep -qF \"cannot write 'hard-a.txt': the temporary folder '$work/none' (\\\$TMPDIR): No such file or directory\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ] && cmp -s hard-b.txt <(printf %s '$expected')" ;;
esac
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
    as_nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
    mkdir -m 1777 shared && mkdir -m 700 private && echo secret >private/secret.txt
    $as_nobody ln -s "$PWD/private/secret.txt" shared/out.txt
    check "-o through a link another user planted in a sticky folder: exit 1, the link named, its target unchanged" bash -c \
        "'$native' -1 -o shared/out.txt abc.bin 2>&1 | grep -q \"the link 'shared/out.txt'\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ] && [ \"\$(cat private/secret.txt)\" = secret ] && [ -L shared/out.txt ]"
    $as_nobody bash -c "echo planted >shared/theirs.txt && chmod 666 shared/theirs.txt"
    check "-o onto a file another user put in a sticky folder: exit 1, the file unchanged and still theirs" bash -c \
        "'$native' -o shared/theirs.txt abc.bin 2>&1 | grep -q \"'shared/theirs.txt' belongs to another user\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ] && [ \"\$(cat shared/theirs.txt)\" = planted ] && [ \$(stat -c %U shared/theirs.txt) = nobody ]"
    ln -s "$PWD/private/own.txt" shared/own.txt
    check "-o through one's own link in a sticky folder follows it" bash -c \
        "'$native' -1 -t '' -o shared/own.txt abc.bin && [ \"\$(cat private/own.txt)\" = '$expected' ]"
    mkdir -m 777 open && echo old >open/root.txt && chmod 666 open/root.txt
    check "-o onto another user's file: new content, owner and mode stay" bash -c \
        "$as_nobody '$native' -1 -t '' -o open/root.txt abc.bin && [ \"\$(cat open/root.txt)\" = '$expected' ] && [ \$(stat -c %U:%a open/root.txt) = root:666 ] && [ \$(ls -A open | wc -l) = 1 ]"
    mkdir -m 733 dropbox
    check "-o into a folder the user may write but not list: exit 0, the file there" bash -c \
        "$as_nobody '$native' -1 -t '' -o dropbox/new.txt abc.bin 2>&1 | grep -q . && exit 1; [ \"\$(cat dropbox/new.txt)\" = '$expected' ]"
    mkdir closed && echo old >closed/open-file.txt && chmod 666 closed/open-file.txt && chmod 555 closed
    check "-o onto a writable file in a folder the user may not write: written in place" bash -c \
        "$as_nobody '$native' -1 -t '' -o closed/open-file.txt abc.bin && [ \"\$(cat closed/open-file.txt)\" = '$expected' ] && [ \$(stat -c %U closed/open-file.txt) = root ]"
    # One process allowed to the user: no second thread to write the output
    # (nor for LeakSanitizer, which stops the process from one at exit).
    [ "$run_directly" = 1 ] && check "no thread to be had: the whole output, to a pipe and to a file" bash -c \
        "export ASAN_OPTIONS=\"\${ASAN_OPTIONS:-}:detect_leaks=0\"; $as_nobody prlimit --nproc=1 '$native' -1 '$work/random.bin' | cmp -s - <('$native' -1 '$work/random.bin') &&
         $as_nobody prlimit --nproc=1 '$native' -1 -o open/random.txt '$work/random.bin' && cmp -s open/random.txt <('$native' -1 '$work/random.bin')"
    mkdir small-blocks
    if unshare -m mount -t tmpfs -o size=256k tmpfs small-blocks 2>/dev/null; then
        check "-d of exactly two blocks onto a disk with room for less: exit 1, the old file kept" unshare -m bash -c \
            "mount -t tmpfs -o size=256k tmpfs small-blocks && echo old >small-blocks/a.txt && '$native' -d -o small-blocks/a.txt mib.txt 2>/dev/null; [ \$? -eq 1 ] && [ \"\$(cat small-blocks/a.txt)\" = old ]"
    fi
    # A file written in place takes the space for its new content before a
    # byte of the old one is overwritten: on a full disk it stays whole.
    head -c 30000 /dev/urandom >big.bin && mkdir small
    if unshare -m mount -t tmpfs -o size=64k tmpfs small 2>/dev/null; then
        check "-o written in place on a full disk: exit 1, the old content whole" unshare -m bash -c \
            "mount -t tmpfs -o size=64k tmpfs small && echo old >small/a.txt && ln small/a.txt small/b.txt && head -c 40000 /dev/zero >small/filler && '$native' -o small/a.txt big.bin 2>/dev/null; [ \$? -eq 1 ] && [ \"\$(cat small/b.txt)\" = old ]"
    fi
    check "-o onto a new file in a folder the user may not write: exit 1, Permission denied" bash -c \
        "$as_nobody '$native' -o closed/new.txt abc.bin 2>&1 | grep -q 'Permission denied'; [ \"\${PIPESTATUS[*]}\" = '1 0' ] && [ ! -e closed/new.txt ]"
fi
printf abc >"caf$(printf '\xe9').bin"
check "non-UTF-8 names are used exactly as given" bash -c "'$native' -1 -t '' -o \"out\$(printf '\xff').txt\" \"caf\$(printf '\xe9').bin\" && [ \"\$(cat \"out\$(printf '\xff').txt\")\" = data:\;base64,YWJj ]"
printf '\xef\xbb\xbf data:;base64,YWJj \r\n' >bom.txt
check "--decode takes a byte order mark and white space around" bash -c "[ \"\$('$native' -d bom.txt)\" = abc ]"
# A build under AddressSanitizer or ThreadSanitizer reserves terabytes of
# address space as it starts, so a memory limit stops it before it runs:
# only the plain build, run directly, meets these.
if ! grep -qaE '__(asan|tsan)_init' "$native" && [ "$run_directly" = 1 ]; then
    truncate -s 1G sparse.bin
    # Standard input is held in memory where the header needs all of it; a
    # file is read twice instead.
    check "out of memory while encoding standard input: a message, exit 1" bash -c "(ulimit -v 200000; '$native' -e percent -o out.txt <sparse.bin 2>&1 >/dev/null | grep -q 'memory'; [ \"\${PIPESTATUS[*]}\" = '1 0' ]) && [ ! -e out.txt ]"
    truncate -s 300M sparse-text.txt
    check "a file larger than the memory allowed, percent-encoded as text" bash -c "(ulimit -v 200000; '$native' -t text/plain -e percent -o /dev/null sparse-text.txt)"
    rm -f sparse-text.txt
    check "--decode streams: 300 MB of Base64 from a pipe within 200 MB of memory" bash -c "{ printf 'data:;base64,'; head -c 300000000 /dev/zero | tr '\\0' A; } | (ulimit -v 200000; '$native' -d | cmp -s - <(head -c 225000000 /dev/zero))"
    check "--decode of a text that is no data URL: exit 1, however long" bash -c "'$native' -d sparse.bin 2>&1 >/dev/null | grep -q 'not a data URL'; [ \"\${PIPESTATUS[*]}\" = '1 0' ]"
    rm -f sparse.bin
    # The output takes a thread and up to three blocks where memory allows,
    # and makes do with fewer: a limit that lets a run start lets it finish.
    "$native" -1 "$work/random.bin" >random.txt
    check "any memory limit above the least a run needs lets it write everything" bash -c \
        "started=0; for limit in \$(seq 4000 250 48000); do
             if (ulimit -v \$limit; '$native' -1 '$work/random.bin' 2>/dev/null | cmp -s - random.txt); then started=1
             elif [ \$started = 1 ]; then echo \"fails under \$limit KiB\" >&2; exit 1; fi
         done; [ \$started = 1 ]"
fi
if [ -n "$windows" ]; then
    check "Windows: -o naming the input: exit 1, input unchanged" bash -c "wine '$windows' -o same.png same.png >/dev/null 2>&1; [ \$? -eq 1 ] && cmp -s same.png '$work/picture.png'"
    check "Windows: -o naming the file on standard input: exit 1, 'it is the input file', input unchanged" bash -c \
        "wine '$windows' -o same.png - <same.png 2>&1 >/dev/null | grep -q \"cannot write 'same.png': it is the input file\"; [ \"\${PIPESTATUS[*]}\" = '1 0' ] && cmp -s same.png '$work/picture.png'"
    # Under Wine a redirected standard output is a Unix descriptor with no
    # name; it is told apart all the same, and ordinary redirections still run.
    windows_output_onto_an_input() {  # a bash command line running "$cli"
        cp "$work/random.bin" appended.bin && printf 'data:,abc' >url.txt
        cli=$windows timeout 60 bash -c "$1" 2>err.txt
        [ $? -eq 1 ] && grep -q 'input file is output file' err.txt && cmp -s appended.bin "$work/random.bin" &&
            [ "$(cat url.txt)" = 'data:,abc' ]
    }
    for redirection in 'wine "$cli" appended.bin >>appended.bin' 'wine "$cli" -d url.txt >>url.txt' \
        'wine "$cli" - <appended.bin 1<>appended.bin' 'wine "$cli" -d - <url.txt 1<>url.txt' \
        'wine "$cli" -1 same.png appended.bin >>appended.bin'; do
        check "Windows: standard output onto an input ($redirection): exit 1, 'input file is output file', input unchanged" \
            windows_output_onto_an_input "$redirection"
    done
    check "Windows: standard output appended to another file, or written over one, writes there" bash -c \
        "cp '$work/random.bin' other.bin && wine '$windows' -1 -t '' same.png >>other.bin 2>/dev/null &&
         cmp -s other.bin <(cat '$work/random.bin'; '$native' -1 -t '' same.png) &&
         wine '$windows' -1 -t '' same.png 1<>other.bin 2>/dev/null &&
         cmp -s <(head -c \$('$native' -1 -t '' same.png | wc -c) other.bin) <('$native' -1 -t '' same.png)"
    rm -f appended.bin other.bin
    check "Windows: -o naming the input by another path: exit 1" bash -c "wine '$windows' -d -o '$(winepath -w "$work/safety/same.png" 2>/dev/null)' same.png >/dev/null 2>&1; [ \$? -eq 1 ] && cmp -s same.png '$work/picture.png'"
    check "Windows: --decode takes a byte order mark" bash -c "[ \"\$(wine '$windows' -d bom.txt 2>/dev/null)\" = abc ]"
    check "Windows: -o given twice: exit 2" bash -c "wine '$windows' -o a.txt -o b.txt same.png >/dev/null 2>&1; [ \$? -eq 2 ]"
    check "Windows: -o NUL writes to the device, no file appears" bash -c "wine '$windows' -o NUL same.png >/dev/null 2>&1 && [ ! -e NUL ] && [ \$(ls -A | grep -c lumarind) -eq 0 ]"
    check "Windows: a folder as input is refused with the system's access denied" bash -c "wine '$windows' . 2>&1 >/dev/null | grep -qi 'denied'"
fi
cd "$work" || exit 1

# Web formats: every format and encoding decodes back to the bytes, and the
# Windows build writes the same bytes as the Linux one.
mkdir -p "$work/web" && cd "$work/web" || exit 1
printf '<?xml version="1.0"?>\n<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8"><path d="M1,1L7,7"/></svg>\n' >dot.svg
cp dot.svg drawing
cp "$work/picture.png" picture.png
printf 'wOF2\0\1\0\0' >font.woff2 && head -c 300 /dev/urandom >>font.woff2
printf 'Привет, мир! <b>"quotes" & (brackets)</b>\r\nsecond line,plain=words\n' >"notes [1] & 'more'.txt"
head -c 2000 /dev/urandom >random.bin
: >empty.txt
web_files=(dot.svg drawing picture.png font.woff2 "notes [1] & 'more'.txt" random.bin empty.txt)
for file in "${web_files[@]}"; do
    for format in text line css html markdown; do
        for encoding in base64 percent auto; do
            # What the system registers differs between the two; the rest
            # of -t auto does not.
            type=auto && [ "$file" = random.bin ] && type=application/octet-stream
            options=(-t "$type" -f "$format" -e "$encoding")
            "$native" "${options[@]}" "$file" >native.out 2>/dev/null
            check "$file, $format, $encoding: --decode gives the bytes back" bash -c "'$native' -d native.out | cmp -s - \"\$1\"" _ "$file"
            if [ -n "$windows" ]; then
                run_windows windows.out "${options[@]}" "$file"
                check "$file, $format, $encoding: Windows build writes the same bytes and decodes them" bash -c \
                    "cmp -s windows.out native.out && wine '$windows' -d windows.out 2>/dev/null | cmp -s - \"\$1\"" _ "$file"
            fi
        done
    done
done
check "-t auto: the web types of SVG, PNG and WOFF2, and an SVG without extension" bash -c \
    "[ \"\$('$native' -t auto -f line dot.svg picture.png font.woff2 drawing | cut -d, -f1)\" = \"\$(printf 'data:image/svg+xml;base64\ndata:image/png;base64\ndata:font/woff2;base64\ndata:image/svg+xml;base64')\" ]"
check "several files: one result per line" bash -c "[ \$('$native' -f css dot.svg picture.png font.woff2 | wc -l) -eq 3 ]"
check "several files: a missing one stops the run, exit 1, -o untouched" bash -c \
    "echo old >all.txt; '$native' -f css -o all.txt dot.svg missing.png picture.png 2>/dev/null; [ \$? -eq 1 ] && [ \"\$(cat all.txt)\" = old ]"
check "without the new options the output is what it was" bash -c "cmp -s <('$native' -f text -e base64 picture.png) <('$native' picture.png)"
if [ -n "$windows" ]; then
    run_windows several.out -t auto -f html -e auto dot.svg picture.png font.woff2
    check "Windows: several files, each result followed by CR LF" bash -c \
        "cmp -s several.out <('$native' -t auto -f html -e auto dot.svg picture.png font.woff2 | sed 's/\$/\r/')"
fi
cd "$work" || exit 1

# --extract: images, a font and a PDF in HTML, CSS and Markdown with hostile
# names; each file lands inside the folder, byte for byte its source, and
# a malformed URL among them is reported while the others are written.
mkdir -p "$work/extract" && cd "$work/extract" || exit 1
cp "$work/picture.png" picture.png
printf 'wOF2\0\1\0\0' >font.woff2 && head -c 70000 /dev/urandom >>font.woff2
printf '%%PDF-1.4\n' >doc.pdf && head -c 5000 /dev/urandom >>doc.pdf
long=$(printf 'n%.0s' $(seq 300))
{
    printf '<html><body><img src="%s" alt="../../x.png">\n' "$("$native" -1 picture.png)"
    printf '<a href="%s" download="CON">pdf</a>\n' "$("$native" -1 -t application/pdf doc.pdf)"
    printf '<style>@font-face { src: %s }</style>\n' "$("$native" -f css -t font/woff2 font.woff2)"
    printf '[a/b](%s) [a\\\\b.pdf](%s) [%s.pdf](%s)\n' "$("$native" -1 -t application/pdf doc.pdf)" \
        "$("$native" -1 -t application/pdf doc.pdf)" "$long" "$("$native" -1 -t application/pdf doc.pdf)"
    printf '![Фото.png](%s) ![Фото.png](%s)\n' "$("$native" -1 -e percent picture.png)" "$("$native" -1 picture.png)"
    printf '<img src="data:image/png;base64,AAA$" alt="bad.png">\n'
    "$native" -t image/png picture.png
    printf '\n</body></html>\n'
} >page.html
expected=(".._.._x.png:picture.png" "_CON.pdf:doc.pdf" "data-3.woff2:font.woff2" "a_b.pdf:doc.pdf" "a_b (2).pdf:doc.pdf"
          "$(printf 'n%.0s' $(seq 196)).pdf:doc.pdf" "Фото.png:picture.png" "Фото (2).png:picture.png"
          "data-10.png:picture.png")
extracted_as_expected() {  # program folder
    "$@" page.html >list.txt 2>errors.txt
    [ $? -eq 1 ] || return 1
    grep -q "invalid character '\$' at line 6, column 36" errors.txt || return 1
    [ "$(wc -l <list.txt)" -eq ${#expected[@]} ] || return 1
    [ "$(ls -A "${@: -1}" | wc -l)" -eq ${#expected[@]} ] || return 1
    local pair
    for pair in "${expected[@]}"; do cmp -s "${@: -1}/${pair%%:*}" "${pair##*:}" || return 1; done
}
check "--extract: every file byte for byte under a safe name, a bad URL reported, exit 1" \
    extracted_as_expected "$native" -x out
check "--extract: nothing lands outside the folder" bash -c "[ ! -e ../x.png ] && [ ! -e ../../x.png ] && [ ! -e CON ]"
check "--extract again: existing files are never replaced" bash -c \
    "'$native' -x out page.html >/dev/null 2>&1; [ \$(ls -A out | wc -l) -eq $((2 * ${#expected[@]})) ] && cmp -s out/_CON.pdf doc.pdf && cmp -s 'out/_CON (2).pdf' doc.pdf"
if [ -n "$windows" ]; then
    windows_extract() { wine "$windows" -x "$(winepath -w "$work/extract/win" 2>/dev/null)" page.html | tr -d '\r'; return "${PIPESTATUS[0]}"; }
    check "Windows: --extract writes the same files" extracted_as_expected windows_extract win
fi
cd "$work" || exit 1
