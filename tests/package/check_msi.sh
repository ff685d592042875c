#!/usr/bin/env bash
# Installs the MSI under Wine, in a fresh prefix, as an administrator would (msiexec /qn):
# refused on an older Windows; then the files, the Start-menu shortcut and the uninstall
# entry; the installed converter against the Linux one; a later build of the same version
# and a higher version replace it, and the first is refused over either; removing it
# leaves nothing behind.
# Usage: check_msi.sh MSI SAME_VERSION_MSI HIGHER_MSI LINUX_BUILD PREFIX
# (each MSI named leitzahl-VERSION-win64.msi)
set -euo pipefail
msi=$1
same=$2
higher=$3
linux=$4
export WINEPREFIX=$5 LC_ALL=C.UTF-8 WINEDEBUG=-all
icon=$(dirname "$0")/../../ui/resources/leitzahl.ico
folder="$WINEPREFIX/drive_c/Program Files/leitzahl"
rm -rf "$WINEPREFIX"
work=$(mktemp -d)
trap 'wineserver -k || true; wineserver -w || true; rm -rf "$WINEPREFIX" "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

msiexec() { wine msiexec "$1" "Z:${2//\//\\}" /qn; }
versionOf() { basename "$1" | sed 's/^leitzahl-\(.*\)-win64\.msi$/\1/'; }

# What is installed, one line each: the uninstall entries, the icons the entries show, the
# program folder, the shortcuts and their targets. Wine puts a per-machine shortcut into
# the user's Start menu (Windows into the common one), so both are searched.
installed() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' | awk '
        /^HKEY/ { key = $0 }
        $1 == "DisplayName" && $3 == "leitzahl" { shown[key] = 1 }
        $1 == "DisplayVersion" { version[key] = $3 }
        $1 == "Publisher" { publisher[key] = $3 }
        END { for (k in shown) print "entry", version[k], publisher[k] }'
    wine reg query 'HKLM\Software\Classes\Installer\Products' /s | tr -d '\r' |
        awk '$1 == "ProductIcon" { print $3 }' | while read -r path; do
            cmp -s "$(winepath -u "$path")" "$icon" && echo "icon" || echo "icon differs: $path"
        done
    [ ! -d "$folder" ] || echo "folder" $(ls "$folder")
    find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/leitzahl.lnk' | while read -r link; do
        echo "shortcut" $(grep -a -o -m 1 'C:\\Program Files\\leitzahl\\leitzahl.exe' "$link")
    done
}
expectInstalled() {
    local expected=""
    [ -z "$2" ] || expected="entry $2 leitzahl
icon
folder LIESMICH.txt LIZENZEN.txt beispiel-blz.txt leitzahl-cli.exe leitzahl.exe
shortcut C:\\Program Files\\leitzahl\\leitzahl.exe"
    local actual
    actual=$(installed)
    [ "$actual" = "$expected" ] || fail "$1: installed is
$actual
instead of
$expected"
}

wine winecfg /v win81
msiexec /i "$msi" && fail "installed on Windows 8.1"
expectInstalled "Windows 8.1" ""

wine winecfg /v win10
msiexec /i "$msi" || fail "msiexec /i ended with $?"
expectInstalled "installed" "$(versionOf "$msi")"
(cd "$work" && wine "C:\\Program Files\\leitzahl\\leitzahl-cli.exe" \
     "C:\\Program Files\\leitzahl\\beispiel-blz.txt" installed.csv >/dev/null) || fail "installed converter failed"
"$linux/cli/leitzahl-cli" "$folder/beispiel-blz.txt" "$work/linux.csv" >/dev/null
cmp -s "$work/installed.csv" "$work/linux.csv" || fail "the installed converter writes other bytes"

for later in "$same" "$higher"; do
    msiexec /i "$later" || fail "msiexec /i $later ended with $?"
    expectInstalled "after $later" "$(versionOf "$later")"
    # Windows Installer itself tells only the higher one from the first.
    msiexec /i "$msi" && fail "an earlier version replaced $later"
    expectInstalled "after the downgrade to $later" "$(versionOf "$later")"
done

msiexec /x "$higher" || fail "msiexec /x ended with $?"
expectInstalled "removed" ""

if [ "$failures" -ne 0 ]; then
    echo "msi check: 0 passed, 1 failed"
    exit 1
fi
echo "msi check: 1 passed, 0 failed"
