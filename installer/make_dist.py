#!/usr/bin/env python3
"""Builds the installer and the portable zip from the Windows build's files.

    make_dist.py --version 1.0.0 --out DIST --icon app.ico --nsi zephra.nsi FILE...

FILE are the program's files (zephra.exe, Zephra.chm, readme.txt and, when
they were built, zephra-cli.exe and ZephraService.exe). They are gathered in
DIST/stage/Zephra, zipped as DIST/Zephra-<version>-portable.zip (every file
inside the folder "Zephra/") and handed to makensis, which writes
DIST/Zephra-<version>-setup.exe and takes only the files that are there.
"""
import argparse
import os
import shutil
import subprocess
import sys
import zipfile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--icon", required=True)
    parser.add_argument("--nsi", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    out = os.path.abspath(args.out)
    stage = os.path.join(out, "stage", "Zephra")
    shutil.rmtree(os.path.join(out, "stage"), ignore_errors=True)
    os.makedirs(stage)
    for f in args.files:
        shutil.copy2(f, stage)
    names = sorted(os.listdir(stage), key=str.lower)

    zip_path = os.path.join(out, f"Zephra-{args.version}-portable.zip")
    part = zip_path + ".part"
    with zipfile.ZipFile(part, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name in names:
            z.write(os.path.join(stage, name), "Zephra/" + name)
    os.replace(part, zip_path)

    setup = os.path.join(out, f"Zephra-{args.version}-setup.exe")
    run = subprocess.run(["makensis", "-V2", "-NOCD", f"-DVERSION={args.version}", f"-DSOURCE={stage}",
                          f"-DICON={os.path.abspath(args.icon)}", f"-DOUTFILE={setup}", os.path.abspath(args.nsi)],
                         cwd=out, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if run.returncode != 0:
        print(run.stdout, file=sys.stderr)
        print("make_dist: makensis failed", file=sys.stderr)
        return 1
    print(f"make_dist: {os.path.basename(setup)} and {os.path.basename(zip_path)} with {', '.join(names)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
