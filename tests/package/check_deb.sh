#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: lintian, SHA256SUMS,
# install, the installed converter against the build's, both manual pages without groff
# warnings, the installed window opened on a file; then removes the package again.
# Usage: tests/package/check_deb.sh [BUILD_FOLDER]   (as root)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build/default}")

[ -n "${LEITZAHL_VIRTUAL_DISPLAY:-}" ] || exec tools/on-virtual-display "$0" "$@"

cmake --build "$build" --target package >/dev/null
deb=$(ls "$build"/leitzahl_*_amd64.deb)
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq leitzahl >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

desktop-file-validate app/de.leitzahl.Leitzahl.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net app/de.leitzahl.Leitzahl.metainfo.xml >/dev/null || fail "appstreamcli validate"
lintian "$deb" 2>&1 | grep -v 'root privileges' >"$work/lintian.txt" || true
grep -q '^E:' "$work/lintian.txt" && fail "lintian reports errors: $(cat "$work/lintian.txt")"
(cd "$build" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the package"
# What the programs are linked against, as dpkg-shlibdeps finds it, and what Qt loads.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 zlib1g libexpat1 qt6-qpa-plugins; do
    [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] || fail "Depends lacks $needed: $depends"
done

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null

"$build/tools/leitzahl-generate" --no-semicolon-names --records 3000 --seed 9 --crlf "$work/blz.txt"
/usr/bin/leitzahl-cli "$work/blz.txt" "$work/installed.csv" >/dev/null
"$build/cli/leitzahl-cli" "$work/blz.txt" "$work/built.csv" >/dev/null
cmp -s "$work/installed.csv" "$work/built.csv" || fail "the installed converter writes other bytes"

for page in leitzahl leitzahl-cli; do
    warnings=$(zcat "/usr/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -k -z 2>&1)
    [ -z "$warnings" ] || fail "groff warns on $page(1): $warnings"
    LC_ALL=C.UTF-8 man -l "/usr/share/man/man1/$page.1.gz" >/dev/null 2>&1 || fail "man cannot show $page(1)"
done
[ -f /usr/share/leitzahl/beispiel-blz.txt ] || fail "no sample file"

QT_QPA_PLATFORM=xcb /usr/bin/leitzahl "$work/blz.txt" &
pid=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name 'leitzahl' | head -n 1)
title=$(xdotool getwindowname "$window")
[ "$title" = "$(cat "$build/window-title.txt")" ] || fail "title is '$title'"
sleep 1
import -window root "$build/installed-window.png"
xdotool windowfocus --sync "$window" key alt+e
for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    fail "the installed window still runs 3 s after Alt+E"
else
    status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "the installed window ended with status $status"
fi

if [ "$failures" -ne 0 ]; then
    echo "package check: 0 passed, 1 failed"
    exit 1
fi
echo "package check: 1 passed, 0 failed"
