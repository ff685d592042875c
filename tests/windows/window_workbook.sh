#!/usr/bin/env bash
# The Win32 window's save under the workbook's filter, read back by LibreOffice and
# openpyxl: the window case keeps copies of its CSV and its workbook for this script.
# Usage: window_workbook.sh ON_VIRTUAL_DISPLAY WINDOW_TESTS
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Wine's drive Z: is the root; winepath would start Wine away from the virtual display.
LEITZAHL_KEEP_SAVED="Z:${work//\//\\}" WINEDEBUG=-all "$1" wine "$2" \
    --gtest_filter='*SaveOffersTheWorkbookBesideTheCsv' --gtest_brief=1
/usr/bin/python3 "$(dirname "$0")/../cli/check_workbook.py" "$work/liste.csv" "$work/mappe.xlsx" -
echo "window workbook: passed"
