#!/usr/bin/env python3
"""The same conversion in plain Python: a baseline for the benchmark.

Reads the sort-code file as bytes, cuts sort code, bank name and method code from every
non-blank line (one CR before the LF is dropped, as the program does), keeps the first
entry of every sort code and writes the entries joined by LF.
"""
import sys


def main(source, target):
    with open(source, "rb") as f:
        text = f.read()
    seen = set()
    out = []
    lines = text.split(b"\n")
    last = len(lines) - 1
    for number, line in enumerate(lines):
        if line.endswith(b"\r") and number < last:
            line = line[:-1]
        line = line.strip(b" ")
        if not line:
            continue
        if len(line) < 9:
            sys.exit("line too short")
        entry = line[:8] + b";" + line[:67][9:].strip(b" ") + b";" + line[-18:][:2]
        if entry[:8] not in seen:
            seen.add(entry[:8])
            out.append(entry)
    with open(target, "wb") as f:
        f.write(b"\n".join(e for e in out if e.strip(b" ")))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
