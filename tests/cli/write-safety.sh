#!/usr/bin/env bash
# Checks of lumarind-cli -o where file systems, mounts and signals come in:
# copy-on-write disks nearly full, Ctrl-C during an in-place write, a file
# mounted over its name, an append-only folder, a run killed between naming
# its temporary file and the rename, and the order of flush and rename. Most
# need root (loop images, mounts, chattr, strace); a check this machine
# cannot make prints "SKIP name: why", the others "PASS name" or "FAIL name".
set -uo pipefail

native=$(realpath "$1")
work=$(mktemp -d)
mounted=()
cleanup() {
    local folder
    for folder in "${mounted[@]}"; do umount "$folder" 2>/dev/null; done
    chattr -R -a "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

check() {
    local name=$1
    shift
    if "$@" >/dev/null 2>&1; then echo "PASS $name"; else echo "FAIL $name"; fi
}
skip() { echo "SKIP $1: $2"; }

root=0 && [ "$(id -u)" -eq 0 ] && root=1
head -c 20000000 /dev/urandom >input.bin
"$native" input.bin >expected.txt
head -c 30000000 /dev/urandom >old.bin
printf abc >abc.bin

# A file with a second name is written in place. On a disk that copies on
# write, overwriting takes new blocks; nearly full, the write must fail
# before the old content is touched, or succeed whole. The old file is
# longer than the new one, so the reservation asks for nothing.
disk_checks() {  # file-system
    local kind=$1 folder=$work/$1
    local name="$kind nearly full: -o onto a file with two names leaves the old content or the new, never a mix"
    if [ $root = 0 ] || ! command -v "mkfs.$kind" >/dev/null || [ ! -e /dev/loop-control ]; then
        skip "$name" "needs root, loop devices and mkfs.$kind"
        return
    fi
    truncate -s 320M "$kind.img" && mkdir "$folder"
    if ! { "mkfs.$kind" -q $([ "$kind" = ext4 ] && echo -F) "$kind.img" && mount -o loop "$kind.img" "$folder"; } >/dev/null 2>&1; then
        skip "$name" "cannot mount a $kind loop image"
        return
    fi
    mounted+=("$folder")
    cp old.bin "$folder/a.txt" && ln "$folder/a.txt" "$folder/b.txt"
    # On Btrfs and XFS a copy shares its blocks: XFS too copies them then.
    cp --reflink=auto "$folder/a.txt" "$folder/copy.txt" && sync
    fallocate -l $(($(df -B1 --output=avail "$folder" | tail -1) - 12000000)) "$folder/filler" && sync
    check "$name" bash -c "'$native' -o '$folder/a.txt' input.bin 2>/dev/null; status=\$?
        { [ \$status = 1 ] && cmp -s '$folder/b.txt' old.bin; } || { [ \$status = 0 ] && cmp -s '$folder/b.txt' expected.txt; }"
    check "$kind nearly full: nothing of lumarind-cli left" bash -c "[ \$(ls -A '$folder' | grep -c lumarind) = 0 ]"
    rm "$folder/filler" && cp old.bin "$folder/a.txt" && sync
    # Btrfs copies every block it overwrites: where no file can be made
    # beside the target to clone from, the run is refused before the input
    # is read.
    if [ "$kind" = btrfs ] && command -v setpriv >/dev/null; then
        chmod 711 "$work" && mkdir "$folder/closed" && echo old >"$folder/closed/open.txt" && chmod 666 "$folder/closed/open.txt" && chmod 555 "$folder/closed"
        check "btrfs: -o onto a file in a folder the user may not write: refused, saying why, the file unchanged" bash -c \
            "setpriv --reuid=65534 --regid=65534 --clear-groups '$native' -o '$folder/closed/open.txt' input.bin 2>&1 | grep -q 'copies what is overwritten';
             [ \"\${PIPESTATUS[*]}\" = '1 0' ] && [ \"\$(cat '$folder/closed/open.txt')\" = old ]"
    fi
    check "$kind with room: -o onto a file with two names writes both, still one file, the copy unchanged" bash -c \
        "'$native' -o '$folder/a.txt' input.bin && cmp -s '$folder/b.txt' expected.txt && [ \$(stat -c %h:%i '$folder/a.txt') = \$(stat -c %h:%i '$folder/b.txt') ] && cmp -s '$folder/copy.txt' old.bin"
}
disk_checks btrfs
disk_checks xfs
disk_checks ext4

# Ctrl-C while the old content is overwritten: the program is stopped as
# soon as the file starts with the new text and while it still has its old
# length, sent SIGINT and let go on. It must end by that signal, but only
# once the file is whole.
cp old.bin interrupted.txt && ln interrupted.txt interrupted-link.txt
check "SIGINT during an in-place write: ends by the signal, the file whole and cut to length" python3 - "$native" <<'PYTHON'
import os, shutil, signal, subprocess, sys, time

native = sys.argv[1]
old_size = os.path.getsize("old.bin")
for attempt in range(5):
    shutil.copyfile("old.bin", "interrupted.txt")
    run = subprocess.Popen([native, "-o", "interrupted.txt", "input.bin"])
    fd = os.open("interrupted.txt", os.O_RDONLY)
    deadline = time.monotonic() + 120
    stopped = False
    while run.poll() is None and time.monotonic() < deadline:
        if os.pread(fd, 5, 0) == b"data:":
            run.send_signal(signal.SIGSTOP)
            stopped = os.fstat(fd).st_size == old_size
            break
    os.close(fd)
    if not stopped:  # too late to catch it half-way: once more
        run.send_signal(signal.SIGCONT)
        run.wait()
        continue
    run.send_signal(signal.SIGINT)
    run.send_signal(signal.SIGCONT)
    status = run.wait(timeout=120)
    with open("interrupted-link.txt", "rb") as written, open("expected.txt", "rb") as expected:
        whole = written.read() == expected.read()
    print("status", status, "whole", whole)
    sys.exit(0 if status == -signal.SIGINT and whole else 1)
print("never caught half-way")
sys.exit(1)
PYTHON

if [ $root = 0 ]; then
    for name in "a file mounted over its name" "an append-only folder" "a run killed before its rename" "flush before rename"; do
        skip "$name" "needs root"
    done
    exit 0
fi

# A file mounted over its name, as containers mount files: it cannot be
# renamed over, so it is written in place.
echo old >mounted-source.txt && : >mounted.txt
check "-o onto a file mounted over its name: written in place" unshare -m bash -c \
    "mount --bind mounted-source.txt mounted.txt && '$native' -1 -t '' -o mounted.txt abc.bin" &&
    check "-o onto a file mounted over its name: the mounted file has the new content" bash -c \
        "[ \"\$(cat mounted-source.txt)\" = 'data:;base64,YWJj' ]"

# An append-only folder takes new names but renames nothing.
mkdir append-only && echo old >append-only/old.txt
if chattr +a append-only 2>/dev/null; then
    check "-o onto a file in an append-only folder: written, nothing left beside it" bash -c \
        "'$native' -1 -t '' -o append-only/old.txt abc.bin && [ \"\$(cat append-only/old.txt)\" = 'data:;base64,YWJj' ] && [ \"\$(ls -A append-only)\" = old.txt ]"
    check "-o onto a new file in an append-only folder: written, nothing left beside it" bash -c \
        "'$native' -1 -t '' -o append-only/new.txt abc.bin && [ \"\$(cat append-only/new.txt)\" = 'data:;base64,YWJj' ] && [ \$(ls -A append-only | wc -l) = 2 ]"
    chattr -a append-only
else
    skip "an append-only folder" "chattr +a is not supported here"
fi

# Killed as the rename starts (strace delivers SIGKILL there), a run leaves
# its temporary file named; the next run over the same target removes it,
# and leaves another target's alone.
kill_at_rename() { strace -f -o /dev/null -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:signal=KILL "$@"; }
if command -v strace >/dev/null && strace -o /dev/null true 2>/dev/null; then
    mkdir killed && echo old >killed/target.txt && echo old >killed/other.txt
    kill_at_rename "$native" -o killed/target.txt abc.bin >/dev/null 2>&1
    kill_at_rename "$native" -o killed/other.txt abc.bin >/dev/null 2>&1
    check "a run killed before its rename leaves the old content" bash -c \
        "[ \"\$(cat killed/target.txt)\" = old ] && [ \$(ls -A killed | grep -c lumarind-cli) = 2 ]"
    check "the next run over that target removes what it left, and not another target's" bash -c \
        "'$native' -o killed/target.txt abc.bin && [ \$(ls -A killed | grep -c lumarind-cli) = 1 ]"
    # The new content reaches the disk before the name does.
    echo old >ordered.txt
    check "-o flushes the new file before renaming it over the old one" bash -c \
        "strace -f -o order.log -e trace=fsync,fdatasync,rename,renameat,renameat2 '$native' -o ordered.txt abc.bin &&
         awk '/fsync|fdatasync/ { synced = 1 } /rename/ { if (!renamed && !synced) bad = 1; renamed = 1 } END { exit bad || !renamed }' order.log"
else
    skip "a run killed before its rename" "needs strace"
    skip "flush before rename" "needs strace"
fi
