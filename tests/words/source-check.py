#!/usr/bin/env python3
"""Fails when a string the program can show names a macOS part or key glyph, or when a
source reaches a header by a relative path, past the layers' include folders.

Reads every string literal of src/ and tools/ (comments are the developers' own) and
every include of src/, tools/, tests/ and bench/."""
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
relative_include = re.compile(r'^\s*#\s*include\s*"\.{1,2}/')

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

for folder in ("src", "tools", "tests", "bench"):
    for path in sorted(root.glob(folder + "/**/*")):
        if path.suffix not in (".cpp", ".h"):
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            if relative_include.match(line):
                found.append(f"{path.relative_to(root)}:{number}: relative include")

for line in found:
    print(line)
sys.exit(1 if found else 0)
