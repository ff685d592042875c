#!/usr/bin/env bash
# The converter run as a program under conditions a script may give it: its exit status,
# the start of what it prints on standard error, and the files it leaves in its folder.
# Usage: hostile_conditions.sh CONVERTER GENERATOR
set -uo pipefail
cli=$(realpath "$1")
gen=$(realpath "$2")
work=$(mktemp -d)
trap 'umount "$work"/case.*/m 2>/dev/null; rm -rf "$work"' EXIT
"$gen" --no-semicolon-names --records 3 --seed 1 "$work/blz.txt"
passed=0
failed=0

# check STATUS MESSAGE FILES COMMANDS: runs COMMANDS in a folder that holds blz.txt only.
check() {
    local folder
    folder=$(mktemp -d "$work/case.XXXX")
    cp "$work/blz.txt" "$folder"
    (cd "$folder" && eval "$4") 2>"$work/err"
    local status=$? left
    left=$(cd "$folder" && ls -A | grep -vx blz.txt | tr '\n' ' ')
    if [ "$status" = "$1" ] && [[ "$(cat "$work/err")" == "$2"* ]] && [ "$left" = "$3" ]; then
        passed=$((passed + 1))
    else
        echo "FAIL: $4"
        echo "      status $status (wanted $1), files: $left(wanted $3), messages: $(cat "$work/err")"
        failed=$((failed + 1))
    fi
}

# The leak checker of a sanitizer build cannot run under strace.
trace() { ASAN_OPTIONS=detect_leaks=0 strace -o /dev/null "$@"; }
# strace makes the first fsync, that of the temporary file, bring the signal.
during_save() { trace -e trace=fsync -e inject=fsync:signal="$1":when=1 "$cli" blz.txt aus >/dev/null; }

check 0 "" "-aus.csv -blz.txt " 'cp blz.txt ./-blz.txt && "$cli" -- -blz.txt -aus >/dev/null'
# The CSV bytes on standard output, with no CR added; the summary goes to standard error.
check 0 "3 Einträge in (Standardeingabe)
1 Einträge in obiger Liste (2 doppelte Einträge entfernt).
Ergebnis gespeichert unter : (Standardausgabe)" "aus.csv out " \
    '"$cli" - - <blz.txt >out && "$cli" blz.txt aus >/dev/null 2>&1 && cmp out aus.csv'
# The XML form's validity line goes to standard error too, never into the CSV.
check 0 "3 Einträge in x.xml
1 Einträge in obiger Liste (2 doppelte Einträge entfernt).
Ergebnis gespeichert unter : (Standardausgabe)
gültig vom 05.12.2022 bis 05.03.2023" "aus.csv out x.xml " \
    '"$gen" --no-semicolon-names --form xml --records 3 --seed 1 x.xml && "$cli" x.xml - >out &&
    "$cli" blz.txt aus >/dev/null 2>&1 && cmp out aus.csv'
# A reader that goes away in the middle gets a message and its status, not a silent end.
check 1 "Fehler 32: Die Datei „(Standardausgabe)“ kann nicht geschrieben werden: Der Empfänger hat die Verbindung geschlossen." \
    "g.txt " '"$gen" --no-semicolon-names --records 12000 g.txt && "$cli" g.txt - | head -1 >/dev/null; exit "${PIPESTATUS[0]}"'
check 2 "Unbekannte Option: -x
Aufruf: leitzahl-cli" "" '"$cli" -x blz.txt aus'
# The CSV is saved; only the summary is lost, and that is said once.
check 4 "Das Ergebnis wurde unter „aus.csv“ gespeichert, aber die Meldungen konnten nicht ausgegeben werden: Kein Speicherplatz" \
    "aus.csv " '"$cli" blz.txt aus >/dev/full'
check 4 "Das Ergebnis wurde unter „aus.csv“ gespeichert, aber die Meldungen konnten nicht ausgegeben werden: Der Datenstrom ist geschlossen." \
    "aus.csv " '"$cli" blz.txt aus >&-'
check 1 "Fehler 9: Die Datei „(Standardausgabe)“ kann nicht geschrieben werden: Der Datenstrom ist geschlossen." \
    "e " '"$cli" blz.txt - >&- 2>e; s=$?; cat e >&2; [ "$(grep -c Fehler e)" = 1 ] || s=99; exit $s'
# A pipe is written into under its own name, also through a link, and stays a pipe.
check 0 "" "aus.csv got p zurpipe " 'mkfifo p && ln -s p zurpipe && { timeout 10 cat p >got & } &&
    "$cli" blz.txt zurpipe >/dev/null && wait && "$cli" blz.txt aus >/dev/null && cmp got aus.csv && [ -p p ]'
# So is a device, which stays one.
check 0 "" "geraet " '{ mknod geraet c 1 3 || ln -s /dev/null geraet; } && "$cli" blz.txt geraet >/dev/null && [ -c geraet ]'
# Names of the kernel's reach what they name, as a plain write would: the pipe or the
# file standard output goes to (the messages then go to standard error) and a process
# substitution. With standard output closed, nothing is made under /dev.
check 0 "" "aus.csv out " '"$cli" blz.txt aus >/dev/null && "$cli" blz.txt /dev/stdout 2>/dev/null | cat >out && cmp out aus.csv'
check 0 "3 Einträge in blz.txt" "aus.csv out " 'seq 2000 >out && "$cli" blz.txt aus >/dev/null 2>&1 &&
    "$cli" blz.txt /proc/self/fd/1 >out && cmp out aus.csv'
check 0 "" "aus.csv out " '"$cli" blz.txt aus >/dev/null && "$cli" blz.txt >(cat >out) >/dev/null && wait $! && cmp out aus.csv'
check 1 "Fehler 2: Die Datei „/dev/stdout“ kann nicht geschrieben werden" "" '"$cli" blz.txt /dev/stdout >&-; s=$?;
    [ ! -e /dev/stdout.csv ] || { rm -f /dev/stdout.csv; s=99; }; exit $s'
# Exactly one unfit line warns as well; a pipe longer than one read buffer is read whole.
check 3 "Warnung: 1 von 4 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 4)." "aus.csv mix.txt " \
    '{ cat blz.txt; echo "Kopfzeile der Tabelle"; } >mix.txt && "$cli" mix.txt aus >/dev/null'
check 0 "" "aus.csv g.txt ref.csv " '"$gen" --no-semicolon-names --records 3000 g.txt && "$cli" g.txt ref >/dev/null && cat g.txt | "$cli" - aus >/dev/null &&
    cmp aus.csv ref.csv'
# The temporary file is the user's alone until it carries the old file's rights.
check 0 "" "aus.csv trace " 'echo alt >aus.csv && ASAN_OPTIONS=detect_leaks=0 strace -o trace -e trace=openat "$cli" blz.txt aus >/dev/null &&
    grep -q "O_CREAT|O_EXCL|O_CLOEXEC, 0600)" trace'
# Past the file-size limit the save fails like any other, without a temporary file.
check 1 "Fehler 27: Die Datei „aus.csv“ kann nicht geschrieben werden: Die Datei ist zu groß" "gross.txt " \
    '"$gen" --no-semicolon-names --records 300 gross.txt && (ulimit -f 8; "$cli" gross.txt aus)'
# A file written in place (here one with two names) is whole when a signal ends the
# program during the write (it comes right after the room is taken).
check 143 "" "aus.csv g.txt ref.csv zwei.csv " '"$gen" --no-semicolon-names --records 12000 g.txt && "$cli" g.txt ref >/dev/null &&
    echo alt >aus.csv && ln aus.csv zwei.csv &&
    trace -e trace=fallocate -e inject=fallocate:signal=SIGTERM "$cli" g.txt aus >/dev/null 2>&1; s=$?;
    cmp zwei.csv ref.csv && exit $s'
# A link put in place of the checked file before it is opened (the check held up by a
# second) is not written through.
check 1 "Fehler 1005: Die Datei „aus.csv“ kann nicht geschrieben werden: Die Datei wurde während des Speicherns gegen eine andere getauscht." \
    "aus.csv eigen.csv zwei.csv " 'echo alt >aus.csv && ln aus.csv zwei.csv && echo eigen >eigen.csv &&
    { sleep 0.5 && ln -sf eigen.csv aus.csv & } && trace -e trace=faccessat2 -e inject=faccessat2:delay_exit=1500000 "$cli" blz.txt aus;
    s=$?; wait; [ "$(cat eigen.csv)" = eigen ] || s=99; exit $s'
# In place, the file-size limit and a full disk change nothing, also where the file
# system cannot reserve room (the reservation refused as ext2 refuses it); a write that
# fails after the room was taken gives the file back its old size.
in_place() { echo alt >aus.csv && ln aus.csv zwei.csv && "$gen" --no-semicolon-names --records 12000 g.txt; }
old() { [ "$(stat -c %s "$1")" = 4 ] && [ "$(cat "$1")" = alt ]; }
check 1 "Fehler 27: Die Datei „aus.csv“ kann nicht geschrieben werden: Die Datei ist zu groß." "aus.csv g.txt zwei.csv " \
    'in_place && (ulimit -f 8; trace -e trace=fallocate -e inject=fallocate:error=EOPNOTSUPP "$cli" g.txt aus); s=$?; old zwei.csv || s=99; exit $s'
check 1 "Fehler 28: Die Datei „aus.csv“ kann nicht geschrieben werden: Kein Speicherplatz" "aus.csv g.txt zwei.csv " \
    'in_place && trace -P "$PWD/aus.csv" -e trace=write -e inject=write:error=ENOSPC:when=2 "$cli" g.txt aus; s=$?; [ $(stat -c %s zwei.csv) = 4 ] || s=99; exit $s'
# An old file below the limit whose new text passes it only by its growth stays as it was.
check 1 "Fehler 27: Die Datei „aus.csv“ kann nicht geschrieben werden: Die Datei ist zu groß." "alt aus.csv g.txt zwei.csv " \
    'seq 1300 >aus.csv && cp aus.csv alt && ln aus.csv zwei.csv && "$gen" --no-semicolon-names --records 300 g.txt &&
    (ulimit -f 8; trace -e trace=fallocate -e inject=fallocate:error=EOPNOTSUPP "$cli" g.txt aus); s=$?; cmp -s zwei.csv alt || s=99; exit $s'
ext2=$work/ext2.img
if truncate -s 2M "$ext2" && mkfs.ext2 -q "$ext2" && mkdir "$work/m" && mount -o loop "$ext2" "$work/m" 2>/dev/null; then
    umount "$work/m"
    check 1 "Fehler 28: Die Datei „aus.csv“ kann nicht geschrieben werden: Kein Speicherplatz" "g.txt m " '"$gen" --no-semicolon-names --records 12000 g.txt &&
        mkdir m && mount -o loop "$ext2" m && (cd m && echo alt >aus.csv && ln aus.csv zwei.csv &&
        { dd if=/dev/zero of=voll bs=64K 2>/dev/null; truncate -s -40K voll; } && "$cli" ../g.txt aus); s=$?;
        old m/zwei.csv || s=99; umount m; exit $s'
else
    echo "skipped: no ext2 file system can be mounted here, the reservation refused by strace stands in for it"
fi
# Each signal that ends the program removes the temporary file; one ignored at start
# (nohup) stays ignored.
check 130 "" "" 'during_save SIGINT'
check 138 "" "" 'during_save SIGUSR1'
check 0 "" "aus.csv " "trap '' HUP; during_save SIGHUP"
# The umask, which other threads share, is left alone; the folder is synced after the
# rename, so that the new file survives a power loss.
check 0 "" "aus.csv trace " 'ASAN_OPTIONS=detect_leaks=0 strace -f -y -o trace -e trace=umask,rename,fsync "$cli" blz.txt aus >/dev/null &&
    ! grep -q "umask(" trace && sed -n "/rename(/,\$p" trace | grep -q "fsync([0-9]*<$PWD>)"'

echo "hostile conditions: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
