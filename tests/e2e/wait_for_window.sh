# Sourced by the end-to-end scripts: finds windows by name, answers file dialogs, and says
# in one line what a script waited for when it did not see it, also where a command fails
# on its own.
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" failed"' ERR

# Sets VARIABLE to the first visible window whose name matches PATTERN within SECONDS,
# or ends the script with "waited SECONDS s for WHAT". Given the PID of the program
# that is to show it, it stops waiting as soon as that program has ended.
# Usage: WaitForWindow VARIABLE SECONDS PATTERN WHAT [PID]
WaitForWindow() {
    # One search waits for the window; it is started again only where it failed at once,
    # on meeting a window that closed on the way, or to look whether the program still
    # runs. A search every moment instead would crowd out the program's own connection
    # to the display.
    local found="" deadline=$((SECONDS + $2)) pid=${5:-}
    while [ -z "$found" ] && [ "$SECONDS" -lt "$deadline" ]; do
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            echo "FAIL: the program ended before $4 showed"
            exit 1
        fi
        local wait=$((deadline - SECONDS))
        [ -z "$pid" ] || ((wait <= 5)) || wait=5
        found=$(timeout "$wait" xdotool search --sync --onlyvisible --name "$3" 2>/dev/null |
            head -n 1) || true
        [ -n "$found" ] || sleep 0.5
    done
    if [ -z "$found" ]; then
        echo "FAIL: waited $2 s for $4, and it did not show"
        exit 1
    fi
    printf -v "$1" '%s' "$found"
}

# Runs COMMAND until the dialog with the given title shows, for at most SECONDS: a
# button that the window's timer has not enabled yet takes no click, and a key sent
# before the window had the focus went elsewhere. Each try waits 10 s for the dialog, far
# longer than it takes to open, so that no repeat meets a dialog still on its way.
# Usage: OpenDialogBy SECONDS TITLE COMMAND [ARGUMENT...]
OpenDialogBy() {
    local seconds=$1 title=$2
    local deadline=$((SECONDS + seconds))
    shift 2
    while [ "$SECONDS" -lt "$deadline" ]; do
        "$@"
        timeout 10 xdotool search --sync --onlyvisible --name "$title" >/dev/null 2>&1 && return 0
    done
    echo "FAIL: waited $seconds s for the dialog '$title' to open, and it did not"
    exit 1
}

# Gives WINDOW the keyboard focus and waits until it has it (a few seconds at most: a
# window whose child takes the focus never reports it as its own).
focusOn() { timeout 5 xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true; }

# Types a path into the dialog with the given title and confirms it. Without a window
# manager the keys go where the focus was, which may still be the main window: the
# dialog gets the focus first, and where the name did not arrive (a dialog still
# settling takes no keys), it is typed again until the dialog closes.
answerDialog() {
    local dialog deadline=$((SECONDS + 60))
    WaitForWindow dialog 20 "$1" "the dialog '$1'"
    sleep 0.5  # the file name box takes the keys once the dialog has settled
    while [ "$SECONDS" -lt "$deadline" ]; do
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
    echo "FAIL: waited 60 s for the dialog '$1' to close, and it stayed"
    exit 1
}
