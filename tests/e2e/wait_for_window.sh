# Sourced by the end-to-end scripts: finds windows by name, answers file dialogs, and says
# in one line what a script waited for when it did not see it, also where a command fails
# on its own.
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" failed"' ERR

# Sets VARIABLE to the first visible window whose name matches PATTERN within SECONDS,
# or ends the script with "waited SECONDS s for WHAT".
# Usage: WaitForWindow VARIABLE SECONDS PATTERN WHAT
WaitForWindow() {
    # One search waits for the window; it is started again only where it failed at once,
    # on meeting a window that closed on the way. A search every moment instead would
    # crowd out the program's own connection to the display.
    local found="" deadline=$((SECONDS + $2))
    while [ -z "$found" ] && [ "$SECONDS" -lt "$deadline" ]; do
        found=$(timeout "$((deadline - SECONDS))" xdotool search --sync --onlyvisible --name "$3" 2>/dev/null |
            head -n 1) || true
        [ -n "$found" ] || sleep 0.5
    done
    if [ -z "$found" ]; then
        echo "FAIL: waited $2 s for $4, and it did not show"
        exit 1
    fi
    printf -v "$1" '%s' "$found"
}

# Types a path into the dialog with the given title and confirms it. Without a window
# manager the keys go where the focus was, which may still be the main window: the
# dialog gets the focus first, and where the name did not arrive, it is typed again.
answerDialog() {
    local dialog
    WaitForWindow dialog 20 "$1" "the dialog '$1'"
    sleep 0.5  # the file name box takes the keys once the dialog has settled
    for _ in 1 2 3; do
        xdotool windowfocus "$dialog"
        sleep 0.3
        xdotool key ctrl+a
        xdotool type --delay 10 "$2"
        xdotool key Return
        # Wine's dialog takes a moment to check the name before it closes.
        for _ in $(seq 30); do
            xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
            sleep 0.1
        done
    done
    echo "FAIL: waited 10 s for the dialog '$1' to close, and it stayed"
    exit 1
}
