#!/usr/bin/env bash
# Starts the real program on a virtual display, checks its title, takes a screenshot,
# clicks "Ende" and expects the program to end with status 0 within 2 seconds.
# Usage: window_end_to_end.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
program=$1
out=$2

if [ -z "${DISPLAY_READY:-}" ]; then
    exec env DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# The program draws on this display, whatever platform the caller's environment names.
QT_QPA_PLATFORM=xcb "$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

window=$(timeout 10 xdotool search --sync --onlyvisible --name 'leitzahl' | head -n 1)
title=$(xdotool getwindowname "$window")
expected="V0.3    leitzahl – blz.txt nach blz.csv"
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
    echo "FAIL: the program still runs 2 s after the click on Ende"
    exit 1
fi
trap - EXIT
status=0
wait "$pid" || status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: the program ended with status $status"
    exit 1
fi
echo "window end to end: 1 passed, 0 failed"
