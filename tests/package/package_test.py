#!/usr/bin/env python3
"""Tests of the help file, the portable zip and the installer of the win tree.

    package_test.py chm     --chm Zephra.chm
    package_test.py zip     --zip Z.zip --build DIR --probe package_probe.exe
    package_test.py install --setup S.exe --version V --build DIR --probe package_probe.exe

chm: every page of the table of contents and every picture a page shows is
inside the compiled file (listed by 7z). zip and install run under Wine in the
prefix DIR/package-prefix, which belongs to these tests alone; each run first
removes what an earlier run may have left of Zephra there and shuts the
prefix's wineserver down at the end.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(SOURCE, "docs", "help"))
import make_chm  # noqa: E402  (the table of contents and the pictures the pages show)

# What every package holds; the service's program only when the tree builds it.
PROGRAM_FILES = ["readme.txt", "zephra-cli.exe", "Zephra.chm", "zephra.exe"]
SERVICE_FILE = "ZephraService.exe"
SHORTCUTS = ["Uninstall.lnk", "Zephra Help.lnk", "Zephra.lnk"]
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Zephra"

failures = []
started = time.time()


def step(what):
    print(f"[{time.time() - started:5.1f} s] {what}", flush=True)


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)
    return ok


def finish():
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("ok")
    return 0


def service_built(build):
    for root, dirs, files in os.walk(build):
        dirs[:] = [d for d in dirs if not d.endswith("prefix") and d not in ("dist", "googletest", "CMakeFiles")]
        if SERVICE_FILE in files:
            return True
    return False


def expected_files(build):
    names = PROGRAM_FILES + ([SERVICE_FILE] if service_built(build) else [])
    return sorted(names, key=str.lower)


# ---- the help file -------------------------------------------------------------

def test_chm(args):
    listing = subprocess.run(["7z", "l", "-slt", args.chm], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True)
    check(listing.returncode == 0, f"7z cannot list {args.chm}: {listing.stdout[-300:]}")
    inside = set(re.findall(r"^Path = (.+)$", listing.stdout, re.M))
    pages = make_chm.toc_pages()
    images = make_chm.used_images()
    check(len(pages) >= 10 and len(images) >= 5, f"too few pages or pictures found: {pages} {images}")
    for page in pages:
        check(page in inside, f"the contents link {page}, which is not in the help file")
    for image in images:
        check("images/" + image in inside, f"images/{image} is shown by a page but not in the help file")
    check("Zephra.hhc" in inside, "no table of contents in the help file")
    return finish()


# ---- Wine ------------------------------------------------------------------------

class Prefix:
    def __init__(self, build, probe):
        self.build = build
        self.probe = probe
        self.path = os.path.join(build, "package-prefix")
        self.env = dict(os.environ, ZEPHRA_WINEPREFIX=self.path)

    def script(self, *args):
        return subprocess.run([os.path.join(self.build, "wine-prefix.sh"), *args], env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)

    def run(self, *args, timeout=120):
        r = subprocess.run([os.path.join(self.build, "wine-run.sh"), *args], env=self.env, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, text=True, timeout=timeout)
        return r.returncode, r.stdout.strip()

    def probe_run(self, *args):
        return self.run(self.probe, *args)

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def user_dirs(self, *parts):
        users = self.drive_c("users")
        return [os.path.join(users, u, *parts) for u in os.listdir(users) if u != "Public"] if os.path.isdir(users) else []

    def start(self):
        setup = self.script("setup")
        if setup.returncode != 0:
            print(setup.stdout)
            return False
        # Nothing of an earlier run: no settings, no log, no installation. A Run
        # value left behind has made Wine start a Zephra with the prefix: end it.
        if self.probe_run("running")[0] == 0:
            self.probe_run("exit")
        self.probe_run("clean")
        for d in [self.drive_c("Program Files", "Zephra"),
                  self.drive_c("ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Zephra")]:
            shutil.rmtree(d, ignore_errors=True)
        for d in (self.user_dirs("AppData", "Roaming", "ZephraData") + self.user_dirs("AppData", "Local", "Programs") +
                  self.user_dirs("AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Zephra")):
            shutil.rmtree(d, ignore_errors=True)
        return True

    def stop(self):
        self.script("stop")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def reg_values(prefix, root, key):
    code, out = prefix.probe_run("reg", root, key)
    if code != 0:
        return None
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def wait_until(predicate, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if predicate():
            return True
        time.sleep(0.3)
    return predicate()


def test_zip(args):
    with zipfile.ZipFile(args.zip) as z:
        names = z.namelist()
        check(names and all(n.startswith("Zephra/") for n in names), f"files outside the folder Zephra/: {names}")
        want = ["Zephra/" + n for n in expected_files(args.build)]
        check(sorted(names, key=str.lower) == want, f"the zip holds {names}, expected {want}")
        unpacked = os.path.join(args.build, "package-test", "portable")
        shutil.rmtree(unpacked, ignore_errors=True)
        z.extractall(unpacked)
    prefix = Prefix(args.build, args.probe)
    try:
        if not check(prefix.start(), "the Wine prefix cannot be set up"):
            return finish()
        prefix.probe_run("firstrun-off")
        code, out = prefix.probe_run("start", windows_path(os.path.join(unpacked, "Zephra", "zephra.exe")))
        check(code == 0, f"the unpacked zephra.exe did not show its window: {out}")
        code, out = prefix.probe_run("exit")
        check(code == 0, f"the unpacked zephra.exe did not end: {out}")
    finally:
        prefix.stop()
    return finish()


def test_install(args):
    prefix = Prefix(args.build, args.probe)
    program_dir = prefix.drive_c("Program Files", "Zephra")
    menu_dir = prefix.drive_c("ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Zephra")
    installed = r"C:\Program Files\Zephra"
    try:
        if not check(prefix.start(), "the Wine prefix cannot be set up"):
            return finish()
        step("prefix ready")
        # A silent install as an administrator is for all users, into Program Files.
        code, out = prefix.run(args.setup, "/S")
        check(code == 0, f"the silent install failed ({code}): {out}")
        step("installed")
        want = sorted(expected_files(args.build) + ["uninstall.exe"], key=str.lower)
        have = sorted(os.listdir(program_dir), key=str.lower) if os.path.isdir(program_dir) else []
        check(have == want, f"installed files {have}, expected {want}")
        shortcuts = sorted(os.listdir(menu_dir)) if os.path.isdir(menu_dir) else []
        check(shortcuts == SHORTCUTS, f"Start-menu shortcuts {shortcuts}, expected {SHORTCUTS}")
        key = reg_values(prefix, "HKLM", UNINSTALL_KEY) or {}
        for name, value in [("DisplayName", "Zephra"), ("DisplayVersion", args.version), ("Publisher", "Quarlen"),
                            ("InstallLocation", installed),
                            ("UninstallString", f'"{installed}\\uninstall.exe" /AllUsers')]:
            check(key.get(name) == value, f"uninstall key {name} = {key.get(name)!r}, expected {value!r}")
        run = reg_values(prefix, "HKCU", r"Software\Microsoft\Windows\CurrentVersion\Run") or {}
        check(run.get("Zephra") == installed + r"\zephra.exe", f"Run value Zephra = {run.get('Zephra')!r}")

        # The first start opens the help file beside the program in the "Zephra Help" window.
        code, out = prefix.probe_run("start", installed + r"\zephra.exe", "--help")
        check(code == 0, f"the installed zephra.exe: {out}")
        step("started")

        # The silent uninstall ends the running program, which writes today's records first.
        code, out = prefix.run(installed + r"\uninstall.exe", "/S")
        check(code == 0, f"the silent uninstall failed ({code}): {out}")
        step("uninstaller started")
        check(wait_until(lambda: not os.path.exists(program_dir), 30), f"{program_dir} is still there: "
              f"{os.listdir(program_dir) if os.path.isdir(program_dir) else ''}")
        step("uninstalled")
        # The uninstaller removes the shortcuts and then its key after the program folder.
        run_key = r"Software\Microsoft\Windows\CurrentVersion\Run"
        wait_until(lambda: not os.path.exists(menu_dir) and reg_values(prefix, "HKLM", UNINSTALL_KEY) is None
                   and "Zephra" not in (reg_values(prefix, "HKCU", run_key) or {}), 15)
        check(not os.path.exists(menu_dir), "the Start-menu folder is still there")
        check(reg_values(prefix, "HKLM", UNINSTALL_KEY) is None, "the uninstall key is still there")
        run = reg_values(prefix, "HKCU", r"Software\Microsoft\Windows\CurrentVersion\Run") or {}
        check("Zephra" not in run, "the Run value is still there")
        code, _ = prefix.probe_run("running")
        check(code != 0, "the program still runs after the uninstall")
        logs = [p for p in prefix.user_dirs("AppData", "Roaming", "ZephraData", "sum_v2.log") if os.path.isfile(p)]
        check(len(logs) == 1 and os.path.getsize(logs[0]) > 24,
              f"the traffic log was not kept with today's records: {[(p, os.path.getsize(p)) for p in logs]}")
        options = reg_values(prefix, "HKCU", r"Software\Quarlen\Zephra\Options")
        check(options is not None, "the settings were not kept")
    finally:
        prefix.stop()
    return finish()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["chm", "zip", "install"])
    parser.add_argument("--chm")
    parser.add_argument("--zip")
    parser.add_argument("--setup")
    parser.add_argument("--version")
    parser.add_argument("--build")
    parser.add_argument("--probe")
    args = parser.parse_args()
    return {"chm": test_chm, "zip": test_zip, "install": test_install}[args.what](args)


if __name__ == "__main__":
    sys.exit(main())
