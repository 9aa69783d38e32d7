#!/usr/bin/env python3
"""Checks that scripts/screenshots.sh runs every picture test of the shell tests:
each disabled test there must match the script's default gtest filter, so that
no picture in docs/images/ is left behind when the script makes them again."""
import fnmatch
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
script = (root / "scripts" / "screenshots.sh").read_text(encoding="utf-8")
m = re.search(r'filter="\$\{1:-([^}]+)\}"', script)
if not m:
    print("scripts/screenshots.sh: no default filter found")
    sys.exit(1)
patterns = m.group(1).split(":")
test = re.compile(r"^\s*TEST(?:_F)?\(\s*(\w+)\s*,\s*(DISABLED_\w+)\s*\)", re.M)
faults = []
count = 0
for f in sorted((root / "tests" / "shell").glob("*.cpp")):
    for suite, name in test.findall(f.read_text(encoding="utf-8")):
        count += 1
        full = f"{suite}.{name}"
        if not any(fnmatch.fnmatchcase(full, p) for p in patterns):
            faults.append(f"{f.name}: {full} is disabled but scripts/screenshots.sh does not run it")
for fault in faults:
    print(fault)
print(f"screenshot tests: {count}, {len(faults)} not run by the script")
sys.exit(1 if faults or count == 0 else 0)
