#!/usr/bin/env bash
# The converter run as a program under conditions a script may give it: its exit status,
# the start of what it prints on standard error, and the files it leaves in its folder.
# Usage: hostile_conditions.sh CONVERTER GENERATOR
set -uo pipefail
cli=$(realpath "$1")
gen=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
# The CSV is saved; only the summary is lost, and that is said once.
check 4 "Das Ergebnis wurde unter „aus.csv“ gespeichert, aber die Meldungen konnten nicht ausgegeben werden: Kein Speicherplatz" \
    "aus.csv " '"$cli" blz.txt aus >/dev/full'
check 4 "Das Ergebnis wurde unter „aus.csv“ gespeichert, aber die Meldungen konnten nicht ausgegeben werden: Der Datenstrom ist geschlossen." \
    "aus.csv " '"$cli" blz.txt aus >&-'
check 1 "Fehler 9: Die Datei „(Standardausgabe)“ kann nicht geschrieben werden: Der Datenstrom ist geschlossen." \
    "e " '"$cli" blz.txt - >&- 2>e; s=$?; cat e >&2; [ "$(grep -c Fehler e)" = 1 ] || s=99; exit $s'
# A pipe is written into under its own name, also through a link.
check 0 "" "aus.csv got p zurpipe " 'mkfifo p && ln -s p zurpipe && { timeout 10 cat p >got & } &&
    "$cli" blz.txt zurpipe >/dev/null && wait && "$cli" blz.txt aus >/dev/null && cmp got aus.csv'
# Past the file-size limit the save fails like any other, without a temporary file.
check 1 "Fehler 27: Die Datei „aus.csv“ kann nicht geschrieben werden: Die Datei ist zu groß" "gross.txt " \
    '"$gen" --no-semicolon-names --records 300 gross.txt && (ulimit -f 8; "$cli" gross.txt aus)'
# A file written in place (here one with two names) is whole when a signal ends the
# program during the write (it comes right after the room is taken).
check 143 "" "aus.csv g.txt ref.csv zwei.csv " '"$gen" --no-semicolon-names --records 12000 g.txt && "$cli" g.txt ref >/dev/null &&
    echo alt >aus.csv && ln aus.csv zwei.csv &&
    trace -e trace=fallocate -e inject=fallocate:signal=SIGTERM "$cli" g.txt aus >/dev/null 2>&1; s=$?;
    cmp zwei.csv ref.csv && exit $s'
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
