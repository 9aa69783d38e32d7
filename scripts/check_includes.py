#!/usr/bin/env python3
"""Checks that includes point down the folder order and that the portable core
never includes <windows.h>.

A folder may include its own headers and those of folders of a lower rank;
folders of equal rank stay apart.
Files ending in _win are the Win32 shell; every other source of a subsystem
folder is portable and built natively, so it must not need <windows.h>."""
import pathlib
import re
import sys

RANK = {
    "base": 0, "res": 0,
    "ui": 1,
    "service_control": 2,
    "settings": 3,
    "measure": 4,
    "trafficlog": 5,
    "view": 6,
    "recorder": 7, "stopwatch": 7,
    "engine": 8,
    "alerts": 9, "cli": 9,
    "metrics": 10,
    "app": 11, "companion": 11,
}
# Headers outside _win files that may include <windows.h> (the meter window's
# class declaration is included by the shell only).
WINDOWS_HEADER_ALLOWED = {"app/meter_dlg.h"}

root = pathlib.Path(__file__).resolve().parent.parent
include = re.compile(r'^\s*#\s*include\s+[<"]([^">]+)[">]', re.M)
faults = []
for folder in sorted(p for p in root.iterdir() if p.is_dir()):
    sources = [f for f in folder.glob("*") if f.suffix in (".h", ".cpp")]
    if not sources or folder.name in ("tests", "bench", "build"):
        continue
    if folder.name not in RANK:
        faults.append(f"{folder.name}/: folder has no rank in scripts/check_includes.py")
        continue
    for f in sources:
        rel = f"{folder.name}/{f.name}"
        portable = not f.stem.endswith("_win") and rel not in WINDOWS_HEADER_ALLOWED
        for target in include.findall(f.read_text(encoding="utf-8")):
            if target.lower() == "windows.h" and portable:
                faults.append(f"{rel}: portable file includes <windows.h>")
            if portable and target.endswith("_win.h"):
                faults.append(f"{rel}: portable file includes the shell header {target}")
            top = target.split("/")[0]
            if "/" in target and top in RANK and top != folder.name and RANK[top] >= RANK[folder.name]:
                faults.append(f"{rel}: includes {target} from a higher folder")
            if "/" in target and top not in RANK and (root / top).is_dir():
                faults.append(f"{rel}: includes {target} from a folder without a rank")
for fault in faults:
    print(fault)
print(f"include order: {len(faults)} fault(s)")
sys.exit(1 if faults else 0)
