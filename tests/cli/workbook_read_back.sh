#!/usr/bin/env bash
# Workbooks read back by real readers: for a generated quarter in each form the
# Bundesbank publishes (text, CSV, XML, each also zipped) and a text copy in UTF-8, the
# converter's workbook holds the fields of the Linux converter's CSV, row for row, as
# LibreOffice reads it; openpyxl finds every cell stored as text. With a Windows
# converter, that one (under Wine) writes the workbooks.
# Usage: workbook_read_back.sh LINUX_BUILD [WINDOWS_CONVERTER]
set -euo pipefail
linux=$1
windows=${2:-}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# The library's own temporary files go where the system's folder is: one of the test's on
# Linux, the prefix's under Wine, which takes no such folder from the Unix side.
mkdir "$work/temp"
export TMPDIR="$work/temp" TMP="$work/temp" TEMP="$work/temp"
if [ -n "$windows" ]; then
    temp=${WINEPREFIX:-$HOME/.wine}/drive_c/users/$(id -un)/Temp
    [ -d "$temp" ] || { echo "FAIL: no temporary folder at $temp"; exit 1; }
else
    temp=$work/temp
fi
# The window tests' folders come and go there too, also those of other runs at the same time.
left() { ls -A "$temp" | grep -v '^leitzahl-test-' || true; }
before=$(left)
forms=("" "--utf8" "--form csv" "--form xml" "--zip" "--form csv --zip" "--form xml --zip --extended")
for i in "${!forms[@]}"; do
    # shellcheck disable=SC2086
    "$linux/tools/leitzahl-generate" --records 5000 --seed $((40 + i)) ${forms[$i]} "$work/blz-$i"
    "$linux/cli/leitzahl-cli" "$work/blz-$i" "$work/blz-$i.csv" >/dev/null 2>&1 || [ $? -eq 3 ]
    if [ -n "$windows" ]; then
        (cd "$work" && WINEDEBUG=-all wine "$windows" "blz-$i" "Mappe für März $i.xlsx" >/dev/null 2>&1) || [ $? -eq 3 ]
    else
        "$linux/cli/leitzahl-cli" "$work/blz-$i" "$work/Mappe für März $i.xlsx" >/dev/null 2>&1 || [ $? -eq 3 ]
    fi
done
if [ "$(left)" != "$before" ]; then
    echo "FAIL: the temporary folder keeps: $(comm -13 <(echo "$before") <(left) | tr '\n' ' ')"
    failures=$((failures + 1))
fi
# One start of LibreOffice for all of them; a profile of its own, so that no other
# instance takes the job.
(cd "$work" && soffice -env:UserInstallation="file://$work/profile" --headless \
    --convert-to 'csv:Text - txt - csv (StarCalc):59,34,76,1' --outdir read-back ./*.xlsx >/dev/null 2>&1)
for i in "${!forms[@]}"; do
    /usr/bin/python3 "$here/check_workbook.py" "$work/blz-$i.csv" "$work/Mappe für März $i.xlsx" \
        "$work/read-back/Mappe für März $i.csv" || failures=$((failures + 1))
done
[ "$failures" -eq 0 ] || { echo "workbook read back: $failures failed"; exit 1; }
echo "workbook read back: all passed"
