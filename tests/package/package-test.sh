#!/usr/bin/env bash
# Checks the packages as a Windows user meets them, under Wine in a fresh
# prefix of its own: the portable zip, then the MSI installed silently, its
# shortcuts, its entry among installed programs, a file sent to the program
# and one dropped on its window, a reinstall, and a silent uninstall that
# leaves nothing of the program but the user's remembered folders.
#
#     tests/package/package-test.sh MSI ZIP
#
# Runs on the caller's display. Prints "PASS name" or "FAIL name" per check.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
msi=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
zip=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
source "$root/tests/drop/windows.sh"

export WINEPREFIX="$root/build/package-test/prefix"
work="$root/build/package-test/work"
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$WINEPREFIX" "$work"
trap 'wineserver -k 2>/dev/null' EXIT
wineboot -i >/dev/null 2>&1
wineserver -w

# The portable zip: one folder, three files, and it runs where unpacked.
zip_lists_three_files() {
    [ "$(zipinfo -1 "$zip")" = "$(printf 'Lumarind/Lumarind.exe\nLumarind/lumarind-cli.exe\nLumarind/Lumarind.txt')" ]
}
zip_runs_where_unpacked() {
    unzip -q "$zip" -d "$work/unpacked" &&
        printf 'abc' >"$work/abc.txt" &&
        wine "$work/unpacked/Lumarind/lumarind-cli.exe" -1 -t text/plain "$(winepath -w "$work/abc.txt")" |
        grep -qx 'data:text/plain;base64,YWJj'
}
check "zip: one folder Lumarind with the three files" zip_lists_three_files
check "zip: lumarind-cli.exe runs where unpacked" zip_runs_where_unpacked
check "zip: registers no Explorer verb" bash -c "! wine reg query 'HKCU\\Software\\Classes\\*\\shell\\Lumarind.CopyAsDataUrl'"

msi_windows=$(winepath -w "$msi")
windows_path() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
local_app_data=$(winepath -u "$(windows_path LOCALAPPDATA)")
app_data=$(winepath -u "$(windows_path APPDATA)")
program_dir="$local_app_data/Programs/Lumarind"
start_menu_link="$app_data/Microsoft/Windows/Start Menu/Programs/Lumarind.lnk"
send_to_link="$app_data/Microsoft/Windows/SendTo/Lumarind.lnk"
readonly kAppPathsKey='HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\Lumarind.exe'
readonly kSettingsKey='HKCU\Software\Tolvarn\Lumarind'

installed_entries() { wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c '|||Lumarind$'; }
product_code() { wine uninstaller --list 2>/dev/null | tr -d '\r' | sed -n 's/^\({[^}]*}\)|||Lumarind$/\1/p'; }
registry_has() { wine reg query "$@" >/dev/null 2>&1; }
files_match_zip() {
    local file
    for file in Lumarind.exe lumarind-cli.exe Lumarind.txt; do
        cmp -s "$program_dir/$file" "$work/unpacked/Lumarind/$file" || return 1
    done
}
links_to_program_with_icon() {  # shortcut
    local texts
    texts=$(strings "$1"; strings -el "$1") || return 1
    grep -qi 'Programs\\Lumarind\\Lumarind\.exe$' <<<"$texts" && grep -qi '\\Lumarind\.ico$' <<<"$texts"
}
# Windows keeps a per-user entry under HKCU; Wine installs every package for
# all users and keeps it under HKLM.
installed_entry() {
    local hive
    for hive in HKCU HKLM; do
        wine reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$(product_code)"
    done 2>/dev/null | tr -d '\r'
}
entry_is_complete() {
    local entry
    entry=$(installed_entry)
    grep -qE 'DisplayName +REG_SZ +Lumarind$' <<<"$entry" &&
        grep -qE 'DisplayVersion +REG_SZ +1\.00\.0001$' <<<"$entry" &&
        grep -qE 'Publisher +REG_SZ +Tolvarn$' <<<"$entry" &&
        grep -qiE 'UninstallString +REG_(EXPAND_)?SZ +MsiExec\.exe /X\{' <<<"$entry"
}
# Apps & features shows an MSI product with the icon registered for it. Wine
# writes no DisplayIcon; it registers the icon as ProductIcon.
entry_has_icon() {
    local icon
    icon=$({ wine reg query 'HKLM\Software\Classes\Installer\Products' /s
        wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s; } 2>/dev/null |
        tr -d '\r' | sed -n 's/^ *ProductIcon *REG_SZ *\(.*\\Lumarind\.ico\)$/\1/p')
    [ -n "$icon" ] && cmp -s "$(winepath -u "$icon")" "$root/resources/A_MAIN.ico"
}

check "msi: silent install (msiexec /i /qn)" wine msiexec /i "$msi_windows" /qn
check "msi: program, command-line tool and read-me in LocalAppData\\Programs\\Lumarind" files_match_zip
check "msi: Start menu shortcut Lumarind with the program's icon" links_to_program_with_icon "$start_menu_link"
check "msi: Send To shortcut Lumarind with the program's icon" links_to_program_with_icon "$send_to_link"
check "msi: one entry among installed programs" test "$(installed_entries)" -eq 1
check "msi: the entry has name, version, publisher and uninstall" entry_is_complete
check "msi: the entry has the program's icon" entry_has_icon
code=$(product_code)

# Explorer's "copy as data URL" on every file: its name is the program's
# string, its command is run here as Explorer runs it (CreateProcess, no
# console), by a program that watches for any window it shows.
readonly kVerbKey='HKCU\Software\Classes\*\shell\Lumarind.CopyAsDataUrl'
probe="$root/build/windows/bin/paste_probe.exe"
verb_value() { wine reg query "$kVerbKey$1" "${@:2}" 2>/dev/null | tr -d '\r' | sed -n 's/^ *[^ ]* *REG_SZ *//p'; }
program_windows=$(winepath -w "$program_dir/Lumarind.exe" 2>/dev/null)
verb_named_by_program() {
    local expected
    expected=$(sed -n 's/^#define LUMARIND_EXPLORER_COPY_VERB "\(.*\)"$/\1/p' "$root/common/UserTexts.h")
    [ "$(verb_value '' /v MUIVerb)" = "@$program_windows,-101" ] &&
        [ "$("$here/string-resource.py" "$program_dir/Lumarind.exe" 101)" = "$expected" ]
}
check "msi: Explorer's verb \"copy as data URL\" is registered for every file, named by the program" verb_named_by_program
verb_drops_on_program() {
    [ "$(verb_value '\DropTarget' /v Clsid)" = '{B82093AB-16BF-4904-A7F7-2452F2798C34}' ] &&
        [ "$(verb_value '' /v MultiSelectModel)" = Player ] &&
        [ "$(wine reg query "HKCU\\Software\\Classes\\CLSID\\{B82093AB-16BF-4904-A7F7-2452F2798C34}\\LocalServer32" /ve 2>/dev/null |
            tr -d '\r' | sed -n 's/^ *[^ ]* *REG_SZ *//p')" = "\"$program_windows\"" ]
}
check "msi: the verb takes a whole selection, dropped on the program as its local COM server" verb_drops_on_program
head -c 1048576 /dev/urandom >"$WINEPREFIX/drive_c/one.bin"
printf 'GIF89a' >"$WINEPREFIX/drive_c/two.gif"
printf 'Привет\n' >"$WINEPREFIX/drive_c/три.txt"
verb_command=$(verb_value '\command' /ve)
# The verb's command with the files in place of "%1", as one process takes them.
run_verb() {  # output files...
    local output=$1 files="" file
    shift
    for file in "$@"; do files+="${files:+\" \"}$file"; done
    wine "$probe" verb before "${verb_command//%1/$files}" "$(winepath -w "$output")"
}
verb_leaves_what_cli_prints() {  # files...
    wine "$program_dir/lumarind-cli.exe" -1 "$@" >"$work/expected.txt" 2>/dev/null &&
        run_verb "$work/verb.txt" "$@" >>"$work/verb-times.txt" && cmp "$work/expected.txt" "$work/verb.txt"
}
check "msi: the verb with one file leaves what lumarind-cli -1 prints, and no window" \
    verb_leaves_what_cli_prints 'C:\one.bin'
check "msi: the verb with three files leaves what lumarind-cli -1 prints, and no window" \
    verb_leaves_what_cli_prints 'C:\one.bin' 'C:\two.gif' 'C:\три.txt'
unreadable_gives_box() {
    run_verb "$work/failed.txt" 'C:\two.gif' 'C:\missing.bin'
    [ $? -eq 3 ] && grep -q 'missing.bin' "$work/failed.txt.box" && grep -q 'Не удаётся прочитать файл.' "$work/failed.txt.box" &&
        [ "$(cat "$work/failed.txt")" = before ]
}
check "msi: the verb on a file that cannot be read shows why and keeps the clipboard" unreadable_gives_box
# Explorer drops a selection of several files on the verb's DropTarget: one
# process for them all. Windows finds the class in HKEY_CLASSES_ROOT, its
# merged view of the user's classes and the machine's; Wine's shows only the
# machine's, so the class is copied there for as long as these checks run.
readonly kVerbClass='{B82093AB-16BF-4904-A7F7-2452F2798C34}'
wine reg add "HKLM\\Software\\Classes\\CLSID\\$kVerbClass\\LocalServer32" /ve /d "$program_windows" /f >/dev/null 2>&1
drop_on_verb() { wine "$probe" drop before "$(winepath -w "$1")" "${@:2}"; }
drop_leaves_what_cli_prints() {  # files...
    wine "$program_dir/lumarind-cli.exe" -1 "$@" >"$work/expected.txt" 2>/dev/null &&
        drop_on_verb "$work/dropped.txt" "$@" >>"$work/drop-times.txt" && cmp "$work/expected.txt" "$work/dropped.txt"
}
check "msi: three files dropped on the verb as Explorer drops a selection give what lumarind-cli -1 prints, and no window" \
    drop_leaves_what_cli_prints 'C:\one.bin' 'C:\two.gif' 'C:\три.txt'
check "msi: one file dropped on the verb gives what lumarind-cli -1 prints, and no window" \
    drop_leaves_what_cli_prints 'C:\one.bin'
unreadable_dropped_gives_box() {
    drop_on_verb "$work/drop-failed.txt" 'C:\two.gif' 'C:\missing.bin'
    [ $? -eq 3 ] && grep -q 'Не удаётся прочитать файл.' "$work/drop-failed.txt.box" &&
        [ "$(cat "$work/drop-failed.txt")" = before ]
}
check "msi: a file dropped on the verb that cannot be read shows why and keeps the clipboard" unreadable_dropped_gives_box
wine reg delete "HKLM\\Software\\Classes\\CLSID\\$kVerbClass" /f >/dev/null 2>&1
[ -s "$work/drop-times.txt" ] && echo "INFO the drop on the verb until the clipboard has it, in ms (three files; 1 MiB file): $(tr '\n' ' ' <"$work/drop-times.txt")"
[ -s "$work/verb-times.txt" ] && echo "INFO the verb until it ended and until the clipboard had it, in ms (1 MiB file; three files): $(tr '\n' ' ' <"$work/verb-times.txt")"

# Explorer's Send To starts the shortcut with the file as first argument.
printf 'GIF89a\001\000\001\000' >"$WINEPREFIX/drive_c/file.gif"
head -c 2000 /dev/urandom >"$WINEPREFIX/drive_c/dropped.png"
sent_file_opens() {
    wine start "$(winepath -w "$send_to_link")" 'C:\file.gif' >/dev/null 2>&1 && wait_for_caption file.gif
}
check "msi: a file sent to Lumarind opens in its window" sent_file_opens
check "msi: a file dropped on the installed window loads" drop_and_expect "$WINEPREFIX/drive_c/dropped.png"
check "msi: the program registers its App Paths entry" registry_has "$kAppPathsKey"
check "msi: Esc closes the installed program" bash -c "'$drop_tools/press-key.py' Escape"
wait_until not_shown "Lumarind - [dropped.png]" || wineserver -k
wineserver -w

# What the program remembers stays after an uninstall, as the user's own.
wine reg add "$kSettingsKey\\OFN Paths" /v 'Last open in file directory' /d 'C:\data' /f >/dev/null 2>&1

rm -f "$program_dir/Lumarind.txt"
check "msi: installing again succeeds" wine msiexec /i "$msi_windows" /qn
check "msi: installing again repairs a missing file" files_match_zip
check "msi: installing again adds no second entry" test "$(installed_entries)" -eq 1

nothing_left() {
    [ ! -e "$program_dir" ] && [ ! -e "$start_menu_link" ] && [ ! -e "$send_to_link" ] &&
        [ ! -e "$WINEPREFIX/drive_c/windows/Installer/$code" ] &&
        [ -z "$(find "$WINEPREFIX/drive_c" -iname 'lumarind*' -print -quit)" ] &&
        ! registry_has "$kAppPathsKey" && ! registry_has "$kSettingsKey\\Installer" &&
        [ "$(installed_entries)" -eq 0 ]
}
check "msi: silent uninstall (msiexec /x /qn)" wine msiexec /x "$msi_windows" /qn
wineserver -w
check "msi: no entry among installed programs after uninstall" test "$(installed_entries)" -eq 0
check "msi: no file, folder or shortcut left after uninstall" nothing_left
check "msi: no Explorer verb left after uninstall" bash -c "! wine reg query '$kVerbKey'"
check "msi: no COM class of the verb left after uninstall" \
    bash -c "! wine reg query 'HKCU\\Software\\Classes\\CLSID\\{B82093AB-16BF-4904-A7F7-2452F2798C34}'"
check "msi: no App Paths entry left after uninstall" bash -c "! wine reg query '$kAppPathsKey'"
check "msi: no installer values left after uninstall" bash -c "! wine reg query '$kSettingsKey\\Installer'"
check "msi: the remembered folders stay after uninstall" registry_has "$kSettingsKey\\OFN Paths" \
    /v 'Last open in file directory'

# A later version replaces this one; this one then refuses to replace it.
"$root/packaging/make-packages.sh" "$work/unpacked/Lumarind" "$work/later" 1.00.0002 >/dev/null 2>&1
later_windows=$(winepath -w "$work/later/Lumarind-1.00.0002-win64.msi")
installed_version_is() {
    installed_entry | grep -qE "DisplayVersion +REG_SZ +$1\$" && [ "$(installed_entries)" -eq 1 ]
}
wine msiexec /i "$msi_windows" /qn >/dev/null 2>&1
check "msi: a later version installs over this one" wine msiexec /i "$later_windows" /qn
check "msi: the later version replaces this one" installed_version_is 1.00.0002
check "msi: this version does not replace the later one" bash -c "! wine msiexec /i '$msi_windows' /qn"
check "msi: the later version stays" installed_version_is 1.00.0002
wine msiexec /x "$later_windows" /qn >/dev/null 2>&1
wineserver -w
check "msi: nothing left after uninstalling the later version" nothing_left
