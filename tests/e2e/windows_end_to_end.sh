#!/usr/bin/env bash
# Starts leitzahl.exe under Wine on a virtual display and uses it as a person would:
# Alt+L with a missing file gives the error box; Alt+L, the path of a generated file
# typed into the open dialog, Enter; Alt+S, an
# output path, Enter; the file must equal the Linux converter's output for the same
# input; Alt+E must end the program with status 0 within a few seconds.
# Usage: windows_end_to_end.sh PROGRAM LINUX_BUILD OUTPUT_FOLDER TITLE
set -euo pipefail
here=$(dirname "$0")
[ -n "${LEITZAHL_VIRTUAL_DISPLAY:-}" ] || exec "$here/../../tools/on-virtual-display" "$0" "$@"
source "$here/wait_for_window.sh"
program=$1
linux=$2
out=$3
expected=$4

work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
"$linux/tools/leitzahl-generate" --no-semicolon-names --records 3000 --seed 23 --crlf "$work/blz.txt"
"$linux/cli/leitzahl-cli" "$work/blz.txt" "$work/linux.csv" >/dev/null
# Wine shows the Linux root as drive Z:.
windowsPath() { echo "Z:${1//\//\\}"; }

WINEDEBUG=-all wine "$program" &
pid=$!
# Wine may take long to start on a loaded machine: the wait ends only with the program.
WaitForWindow window 150 'leitzahl' "the window" "$pid"
title=$(xdotool getwindowname "$window")
[ "$title" = "$expected" ] || { echo "FAIL: title is '$title', expected '$expected'"; exit 1; }

# Without a window manager, focus is set by hand before each key.
pressOnWindow() { focusOn "$window"; xdotool key "$1"; }

# A file that is not there: the error box, titled with the error number, then the
# window goes on.
OpenDialogBy 90 'blz Textdatei öffnen' pressOnWindow alt+l
answerDialog 'blz Textdatei öffnen' "$(windowsPath "$work/fehlt.txt")"
WaitForWindow box 20 '^2$' "the error box titled 2"
focusOn "$box"
xdotool key Return
for _ in $(seq 100); do xdotool search --onlyvisible --name '^2$' >/dev/null 2>&1 || break; sleep 0.1; done

OpenDialogBy 90 'blz Textdatei öffnen' pressOnWindow alt+l
answerDialog 'blz Textdatei öffnen' "$(windowsPath "$work/blz.txt")"
# Alt+S opens the dialog once a tick of the timer has enabled the save button.
OpenDialogBy 90 'CSV Datei speichern' pressOnWindow alt+s
import -window root "$out/windows-window-saving.png"
answerDialog 'CSV Datei speichern' "$(windowsPath "$work/windows")"
# The file takes its name whole, by a rename.
for _ in $(seq 100); do [ -f "$work/windows.csv" ] && break; sleep 0.1; done
if ! cmp -s "$work/linux.csv" "$work/windows.csv"; then
    echo "FAIL: the window saved other bytes than the Linux converter writes"
    exit 1
fi

pressOnWindow alt+e
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: waited 5 s for the program to end after Alt+E, and it still runs"
    exit 1
fi
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { echo "FAIL: the program ended with status $status"; exit 1; }
echo "windows window end to end: 1 passed, 0 failed"
