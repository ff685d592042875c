#!/usr/bin/env bash
# Starts the real program without a display, where it must say so in German and exit 1;
# then on a virtual display, checks its title, takes a screenshot, clicks "Ende" and
# expects the program to end with status 0 within 2 seconds. Last, a save beyond the
# file-size limit must give the error box, not end the window or leave a file; so must a
# save into a pipe that no program reads, after which the window still ends by "Ende";
# an ending signal during a save leaves no temporary file.
# Usage: window_end_to_end.sh PROGRAM OUTPUT_FOLDER TITLE
set -euo pipefail
here=$(dirname "$0")
[ -n "${LEITZAHL_VIRTUAL_DISPLAY:-}" ] || exec "$here/../../tools/on-virtual-display" "$0" "$@"
source "$here/wait_for_window.sh"
program=$1
out=$2
expected=$3

status=0
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" 2>&1) || status=$?
if [ "$status" -ne 1 ] || [[ "$said" != *"Keine grafische Anzeige gefunden"* ]]; then
    echo "FAIL: without a display the program ended with status $status, saying: $said"
    exit 1
fi

# The program draws on this display, whatever platform the caller's environment names.
QT_QPA_PLATFORM=xcb "$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

WaitForWindow window 10 'leitzahl' "the window" "$pid"
title=$(xdotool getwindowname "$window")
if [ "$title" != "$expected" ]; then
    echo "FAIL: title is '$title', expected '$expected'"
    exit 1
fi
sleep 0.5  # let the first paint finish before the screenshot
import -window root "$out/window-end-to-end.png"

# The end button's middle, in window coordinates.
xdotool mousemove --window "$window" 515 30 click 1
for _ in $(seq 20); do
    if ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: waited 2 s for the program to end after the click on Ende, and it still runs"
    exit 1
fi
trap - EXIT
status=0
wait "$pid" || status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: the program ended with status $status"
    exit 1
fi

folder=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$folder"' EXIT
cp "$(dirname "$program")/beispiel-blz.txt" "$folder/blz.txt"  # the sample the build makes
mkfifo "$folder/rohr"

# Usage: SaveAs NAME (PROGRAM's window with the sample, started in the background)
SaveAs() {
    WaitForWindow window 10 'leitzahl' "the window with the sample" "$pid"
    # The save button takes the click once the import is done and the timer enabled it.
    OpenDialogBy 60 'CSV Datei speichern' xdotool mousemove --window "$window" 137 30 click 1
    answerDialog 'CSV Datei speichern' "$folder/$1"
}
# Usage: ExpectEnd STATUS WHAT: the program ends within 10 s with STATUS, leaving no file.
ExpectEnd() {
    local status=0
    if ! timeout 10 tail --pid="$pid" -f /dev/null; then
        echo "FAIL: $2: the program still runs, showing:" $(xdotool search --onlyvisible --name . getwindowname %@)
        exit 1
    fi
    wait "$pid" || status=$?
    local left
    left=$(ls -A "$folder" | tr '\n' ' ')
    if [ "$status" -ne "$1" ] || [ "$left" != "blz.txt rohr " ]; then
        echo "FAIL: $2: status $status (wanted $1), the folder holds: $left"
        exit 1
    fi
}

(ulimit -f 1 && QT_QPA_PLATFORM=xcb exec "$program" "$folder/blz.txt") &
pid=$!
SaveAs ergebnis
WaitForWindow box 10 '^27$' "the error box for a file too large"
kill "$pid"
ExpectEnd 143 "a file too large"

QT_QPA_PLATFORM=xcb "$program" "$folder/blz.txt" &
pid=$!
SaveAs rohr
WaitForWindow box 10 '^6$' "the error box for a pipe without reader"
focusOn "$box"
xdotool key Return  # closes the box
xdotool mousemove --window "$window" 515 30 click 1
ExpectEnd 0 "Ende after a pipe without reader"

# The signal comes with the sync of the temporary file.
strace -o /dev/null -e trace=fsync -e inject=fsync:signal=SIGTERM env QT_QPA_PLATFORM=xcb "$program" "$folder/blz.txt" &
pid=$!
SaveAs ergebnis
ExpectEnd 143 "a signal during the save"
echo "window end to end: 5 passed, 0 failed"
