#!/usr/bin/env bash
# The Windows converter (under Wine) and the Linux one write the same bytes for the same
# generated files, of every line-end kind, with and without final line end, in every
# form the Bundesbank publishes (text, CSV, XML, each also zipped), also from
# standard input to standard output; the Windows one reads and writes names with umlauts,
# and Ctrl+C ends it with 130, as a signal does on Linux.
# Usage: same_csv_as_linux.sh LINUX_BUILD WINDOWS_CONVERTER
set -euo pipefail
linux=$1
windows=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/Überweisungen"
failures=0
for variant in "" "--crlf" "--no-final-newline" "--crlf --no-final-newline" "--extended --crlf" "--utf8" \
    "--crlf --form csv" "--crlf --form xml --bom" "--crlf --zip" "--crlf --form csv --zip" "--crlf --form xml --zip --extended"; do
    # shellcheck disable=SC2086
    "$linux/tools/leitzahl-generate" --no-semicolon-names --records 5000 --seed 17 $variant "$work/blz.txt"
    "$linux/cli/leitzahl-cli" "$work/blz.txt" "$work/linux.csv" >/dev/null
    cp "$work/blz.txt" "$work/Überweisungen/blz-Jänner.txt"
    (cd "$work" && WINEDEBUG=-all wine "$windows" 'Überweisungen\blz-Jänner.txt' 'Überweisungen\Ergebnis für März' >/dev/null)
    if ! cmp -s "$work/linux.csv" "$work/Überweisungen/Ergebnis für März.csv"; then
        echo "FAIL: the converters differ for '$variant'"
        failures=$((failures + 1))
    fi
done
# Standard input to standard output: the same bytes, with no CR added.
(cd "$work" && WINEDEBUG=-all wine "$windows" - - <blz.txt >stdout.csv 2>/dev/null)
if ! cmp -s "$work/linux.csv" "$work/stdout.csv"; then
    echo "FAIL: the Windows converter's standard output differs"
    failures=$((failures + 1))
fi
# Wine turns SIGINT into Ctrl+C. It is sent once the converter has taken a first byte
# from its input: it reads only after its handler is in place, and Wine may take long
# to start it on a loaded machine.
mkfifo "$work/eingabe"
(cd "$work" && WINEDEBUG=-all exec wine "$windows" - aus <eingabe 2>/dev/null) &
pid=$!
exec 3>"$work/eingabe"
printf 1 >&3
unread() { python3 -c 'import fcntl, struct, termios; print(struct.unpack("i", fcntl.ioctl(3, termios.FIONREAD, bytes(4)))[0])'; }
deadline=$((SECONDS + 120))
while [ "$(unread)" -ne 0 ] && kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    sleep 0.1
done
if [ "$(unread)" -ne 0 ]; then
    echo "FAIL: the Windows converter did not read its input within 120 s"
    failures=$((failures + 1))
fi
kill -INT "$pid"
status=0
wait "$pid" || status=$?
exec 3>&-
if [ "$status" -ne 130 ]; then
    echo "FAIL: Ctrl+C ended the Windows converter with status $status"
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || { echo "same csv: $failures failed"; exit 1; }
echo "same csv: all passed"
