#!/usr/bin/env python3
"""Fails when a string the program can show names a macOS part or key glyph.

Reads every string literal of src/ and tools/ (comments are the developers' own)."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
forbidden = re.compile(
    r"Finder|System Settings|System Preferences|Privacy & Security|macOS|Mac OS|\bDock\b"
    r"|Open in Preview|\bCommand\b|\bOption\b|[\u2318\u2303\u2325\u21E7]"
    r"|\\u(2318|2303|2325|21[eE]7)")
literal = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
comment = re.compile(r"//.*$")

found = []
for path in sorted(root.glob("src/**/*")) + sorted(root.glob("tools/**/*")):
    if path.suffix not in (".cpp", ".h"):
        continue
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if line.lstrip().startswith(("//", "#include")):
            continue
        code = comment.sub("", line) if '"' not in line.split("//")[0] else line
        for text in literal.findall(code):
            if forbidden.search(text):
                found.append(f"{path.relative_to(root)}:{number}: {text}")

for line in found:
    print(line)
sys.exit(1 if found else 0)
