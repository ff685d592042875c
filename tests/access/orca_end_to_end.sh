#!/usr/bin/env bash
# The window under the screen reader Orca, which speaks into its debug log through
# speech-dispatcher's dummy output, on a virtual display with a D-Bus session and the
# AT-SPI bus of its own: the link line's action opens the page (an xdg-open that notes
# the address), the covered texts do not show, the import's summary is spoken, Tab onto
# the list speaks the first entry and Down the second.
# Usage: orca_end_to_end.sh PROGRAM CONVERTER OUTPUT_FOLDER (which keeps Orca's log, orca.log)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ -n "${LEITZAHL_VIRTUAL_DISPLAY:-}" ] || exec "$here/../../tools/on-virtual-display" "$0" "$@"
[ -n "${LEITZAHL_OWN_BUS:-}" ] || exec env LEITZAHL_OWN_BUS=1 dbus-run-session -- "$0" "$@"
source "$here/../e2e/wait_for_window.sh"
program=$1
converter=$2
log=$3/orca.log

home=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$home"' EXIT
# Nothing of the user's own settings, for Orca, speech-dispatcher or Qt.
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run XDG_DATA_HOME=$home/data \
    XDG_CACHE_HOME=$home/cache
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$home/bin"
# speech-dispatcher's dummy output, which plays into libao's null device: no sound card here.
speechd=$XDG_CONFIG_HOME/speech-dispatcher
cp -r /etc/speech-dispatcher "$speechd"
printf 'AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "libao"\n' >>"$speechd/speechd.conf"
echo "default_driver=null" >"$home/.libao"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$home/opened" >"$home/bin/xdg-open"
chmod +x "$home/bin/xdg-open"
export PATH=$home/bin:$PATH
python=/usr/bin/python3  # Debian's, which has pyatspi and Orca

# Orca's utterances, each whole: one may run over several lines of the log.
Spoken() {
    awk '/^[0-9:.]+ - /{speech = /SPEECH OUTPUT/} speech' "$log"
}
# What Orca speaks from now on counts; Orca repeats itself (the window's title, a button).
# On a loaded machine Orca falls far behind the keys typed into a dialog, each of which it
# echoes: the waits allow for that.
heard=0
FromNow() {
    heard=$(Spoken | wc -l)
}
# Usage: WaitForSpeech SECONDS TEXT WHAT: Orca has spoken TEXT since FromNow.
WaitForSpeech() {
    local deadline=$((SECONDS + $1))
    until Spoken | tail -n +$((heard + 1)) | grep -q -F -- "$2"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "FAIL: waited $1 s for Orca to speak $3 ('$2'); it spoke:"
            Spoken | tail -n +$((heard + 1)) | tail -n 15
            exit 1
        fi
        # The log grows line by line; inotifywait is no test package here.
        sleep 0.2
    done
}

speech-dispatcher --run-single --timeout 0 --config-dir "$speechd" --log-dir "$home" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" ] && break
    sleep 0.1
done
"$python" "$here/speaking_orca.py" "$log" >"$home/orca.out" 2>&1 &
pids+=($!)
WaitForSpeech 60 'Screen reader on' "that it started"

cp "$(dirname "$program")/beispiel-blz.txt" "$home/blz.txt"
"$converter" "$home/blz.txt" "$home/blz.csv" >/dev/null
first=$(head -c 9 "$home/blz.csv")
second=$(sed -n 2p "$home/blz.csv" | head -c 9)

QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" &
pids+=($!)
WaitForWindow window 20 'leitzahl' "the window"
xdotool windowfocus "$window"
WaitForSpeech 60 'leitzahl – blz.txt nach blz.csv' "the window's title"

"$python" "$here/atspi.py" press-link
for _ in $(seq 100); do
    [ -s "$home/opened" ] && break
    sleep 0.1
done
if [ "$(cat "$home/opened" 2>/dev/null)" != "https://www.bundesbank.de/zahlungsverkehr/zahlungsverkehr_bankleitzahlen_download.php" ]; then
    echo "FAIL: the link's action opened: $(cat "$home/opened" 2>/dev/null)"
    exit 1
fi

FromNow
xdotool key alt+l
answerDialog 'blz Textdatei öffnen' "$home/blz.txt"
WaitForSpeech 90 "400 Einträge in $home/blz.txt" "the summary's first line"
WaitForSpeech 30 "266 Einträge in obiger Liste" "the summary's second line"
shown=$("$python" "$here/atspi.py" showing)
if [[ "$shown" == *"Bitte warten"* ]]; then
    echo "FAIL: the covered please-wait text shows to screen readers: $shown"
    exit 1
fi

# Without a window manager the focus does not come back from the dialog by itself. Orca
# may lag behind on a loaded machine: that the open button has the focus again is asked
# of the bus, before Tab goes from it to the list.
xdotool windowfocus "$window"
deadline=$((SECONDS + 30))
until [ "$("$python" "$here/atspi.py" focused)" = "blz Textdatei öffnen" ]; do
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "FAIL: waited 30 s for the open button to have the focus again"
        exit 1
    fi
    xdotool windowfocus "$window"
    sleep 0.5
done
FromNow
xdotool key Tab
WaitForSpeech 40 "$first" "the first entry on Tab onto the list"
FromNow
xdotool key Down
WaitForSpeech 40 "$second" "the second entry on Down"
echo "Orca end to end: 4 passed, 0 failed"
