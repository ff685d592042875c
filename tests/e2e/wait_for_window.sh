# Sourced by the end-to-end scripts: finds windows by name, and says in one line what a
# script waited for when it did not see it, also where a command fails on its own.
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" failed"' ERR

# Sets VARIABLE to the first visible window whose name matches PATTERN within SECONDS,
# or ends the script with "waited SECONDS s for WHAT".
# Usage: WaitForWindow VARIABLE SECONDS PATTERN WHAT
WaitForWindow() {
    local found
    found=$(timeout "$2" xdotool search --sync --onlyvisible --name "$3" 2>/dev/null | head -n 1) || true
    if [ -z "$found" ]; then
        echo "FAIL: waited $2 s for $4, and it did not show"
        exit 1
    fi
    printf -v "$1" '%s' "$found"
}
