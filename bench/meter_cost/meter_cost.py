#!/usr/bin/env python3
"""What the meter costs against the floor of any meter.

Runs the floor program (meter_floor.exe: a plain window that lists the
adapters and reads their rows once a second and paints one line) and zephra.exe
side by side, each in a Wine prefix of its own, under one Xvfb display. Between
second `skip` and `skip + seconds` it sums the CPU ticks (user + system) of
every process of each prefix - the program, wineserver, explorer, the services
and the IP Helper driver host - and then reads the private memory of each
program's own process. Then, with the prefixes warm, it times start to window
shown, for zephra.exe also with a 30 MB log. It prints figures and ratios and
never fails a test run: it is a benchmark, not run by ctest.

    bench/meter_cost/meter_cost.py [--quick] [--scrape] [--build build/win]
    bench/meter_cost/meter_cost.py --per-scrape [N] [--quick] [--build build/win]

--quick measures 3 + 15 seconds instead of 10 + 60 and starts each program
three times instead of five. --scrape switches zephra.exe's counters endpoint
on (a free loopback port) and fetches GET /metrics once a second while the CPU
is measured, as a Prometheus would.

--per-scrape runs zephra.exe alone and tells the endpoint's parts apart: the
prefix's CPU with the endpoint off, with it on but never scraped and off again
(each over 30 s after 10 s, 10 s with --quick), then N scrapes (500 unless given) one
after another and N/2 scrapes 0.05 s apart (the listener falls asleep between
them, as between scrapes a second apart), whose ticks less the idle ticks of
as long a time (for the paced ones measured just before) give the CPU of one
scrape. Scraped once a second, the endpoint
then costs 60 times the paced figure a minute, set against the meter's own CPU
a minute with the endpoint off.
"""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
WINE = "/usr/lib/wine/wine64"
SERVER = "/usr/lib/wine/wineserver64"
HZ = os.sysconf("SC_CLK_TCK")


def wine_env(prefix):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winemenubuilder.exe=d;winealsa.drv,winepulse.drv=d"
    return env


def wine(prefix, *args, **kw):
    return subprocess.run([WINE, *args], env=wine_env(prefix), stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def stop(prefix):
    env = wine_env(prefix)
    subprocess.run([SERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run([SERVER, "-w"], env=env, stderr=subprocess.DEVNULL)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def processes_of(prefix):
    """pid -> (name, utime + stime ticks) of every readable process of the prefix."""
    want = ("WINEPREFIX=" + prefix).encode()
    out = {}
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if want not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{pid}/stat") as f:
                stat = f.read()
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmd = f.read().split(b"\0")[0].decode(errors="replace")
        except OSError:
            continue
        rest = stat[stat.rindex(")") + 2:].split()
        ticks = int(rest[11]) + int(rest[12])
        name = cmd.replace("\\", "/").rsplit("/", 1)[-1] or stat[stat.index("(") + 1:stat.rindex(")")]
        out[int(pid)] = (name, ticks)
    return out


def ticks_between(before, after):
    """Ticks per process name spent between the two snapshots."""
    per = {}
    for pid, (name, t) in after.items():
        spent = t - before[pid][1] if pid in before else t
        per[name] = per.get(name, 0) + spent
    return per


def private_kb(prefix, exe):
    for pid, (name, _) in processes_of(prefix).items():
        if name.lower() != exe.lower():
            continue
        kb = 0
        try:
            with open(f"/proc/{pid}/smaps_rollup") as f:
                for line in f:
                    if line.startswith(("Private_Clean:", "Private_Dirty:")):
                        kb += int(line.split()[1])
        except OSError:
            return None
        return kb
    return None


def kill_program(prefix, exe):
    for pid, (name, _) in processes_of(prefix).items():
        if name.lower() == exe.lower():
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass


def median_ms(output):
    for line in output.splitlines():
        if line.startswith("median "):
            return float(line.split()[1])
    return None


def ratio(a, b):
    return f"{a / b:6.2f}x" if a is not None and b else "     -"


def prepare(base, prefix, fresh_registry):
    if not os.path.isdir(prefix):
        shutil.copytree(base, prefix, symlinks=True)
    if fresh_registry:
        # The defaults: two views, the tray graph on, the log at its own place.
        wine(prefix, "reg", "delete", r"HKCU\Software\Quarlen\Zephra", "/f")
        wine(prefix, "reg", "delete", r"HKLM\Software\Quarlen\Zephra", "/f")


def set_endpoint(prefix, port):
    """Switches the counters endpoint on at `port`, or off when port is None."""
    key = r"HKCU\Software\Quarlen\Zephra\Options"
    wine(prefix, "reg", "add", key, "/v", "MetricsEnabled", "/t", "REG_DWORD", "/d",
         "0" if port is None else "1", "/f")
    if port is not None:
        wine(prefix, "reg", "add", key, "/v", "MetricsPort", "/t", "REG_DWORD", "/d", str(port), "/f")


def free_port():
    with socket.socket() as free:
        free.bind(("127.0.0.1", 0))
        return free.getsockname()[1]


def get_metrics(port):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/metrics", timeout=5) as r:
        return len(r.read())


def per_scrape(a):
    """The endpoint's idle cost and the CPU of one scrape, zephra.exe alone."""
    build = a.build
    prefix = os.path.join(build, "meter-cost", "zephra")
    exe = a.exe or os.path.join(build, "zephra.exe")
    subprocess.run([os.path.join(build, "wine-prefix.sh"), "setup"], stdout=subprocess.DEVNULL)
    subprocess.run([os.path.join(build, "wine-prefix.sh"), "stop"], stdout=subprocess.DEVNULL)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    prepare(os.path.join(build, "wineprefix"), prefix, True)
    window = 10 if a.quick else 30
    port = free_port()
    idle = {}
    bursts = []
    # Off again at the end: the first start after the fresh registry costs more
    # for a while, which would count against the endpoint being off.
    for mode in ("off", "on", "off again"):
        set_endpoint(prefix, port if mode == "on" else None)
        wine(prefix, "cmd", "/c", "exit")
        run = subprocess.Popen([WINE, exe], env=wine_env(prefix), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(a.skip)
            before = processes_of(prefix)
            time.sleep(window)
            idle[mode] = ticks_between(before, processes_of(prefix))
            if mode == "on":
                get_metrics(port)  # the first answer, before the clock starts
                for n, gap in ((a.per_scrape, 0), (max(a.per_scrape // 2, 1), 0.05)):
                    baseline = None
                    if gap:
                        # The idle cost of the same time, just before.
                        before = processes_of(prefix)
                        time.sleep(n * gap)
                        baseline = ticks_between(before, processes_of(prefix))
                    before = processes_of(prefix)
                    started = time.monotonic()
                    for i in range(n):
                        time.sleep(max(0, started + i * gap - time.monotonic()))
                        size = get_metrics(port)
                    time.sleep(max(0, started + n * gap - time.monotonic()))
                    elapsed = time.monotonic() - started
                    if baseline is None:
                        baseline = {k: t * elapsed / window for k, t in idle["on"].items()}
                    bursts.append((n, gap, ticks_between(before, processes_of(prefix)), baseline, elapsed, size))
        finally:
            kill_program(prefix, os.path.basename(exe))
            run.wait(timeout=30)
    stop(prefix)

    per_minute = {mode: sum(t.values()) / HZ * 60 / window for mode, t in idle.items()}
    print(f"per scrape: {HZ} ticks a second, idle windows of {window} s after {a.skip} s, one run")
    print(f"  CPU a minute, all processes: endpoint off {per_minute['off']:.2f} s, "
          f"on and never scraped {per_minute['on']:.2f} s, off again {per_minute['off again']:.2f} s")
    for n, gap, spent, baseline, elapsed, size in bursts:
        names = sorted(set(spent) | set(baseline), key=lambda x: -spent.get(x, 0))
        # What the scrapes took beyond what the same time costs idle, per scrape (ms).
        each = {name: (spent.get(name, 0) - baseline.get(name, 0)) / HZ * 1000 / n for name in names}
        one = sum(each.values())
        how = "one after another" if not gap else f"{gap} s apart"
        print(f"  {n} scrapes of {size} bytes {how} in {elapsed:.1f} s: {one:.2f} ms CPU each ("
              + ", ".join(f"{name} {ms:.2f}" for name, ms in each.items() if abs(ms) >= 0.005) + ")")
    off = min(per_minute["off"], per_minute["off again"])
    print(f"  scraped once a second: {one * 60 / 1000:.3f} s a minute, "
          f"{100 * one * 60 / 1000 / off:.1f} % of the meter's CPU with the endpoint off ({off:.2f} s)")


def inner(a):
    if a.per_scrape:
        per_scrape(a)
        return
    build = a.build
    work = os.path.join(build, "meter-cost")
    floor_prefix = os.path.join(work, "floor")
    zephra_prefix = os.path.join(work, "zephra")
    floor_exe = os.path.join(build, "bench", "meter_floor.exe")
    zephra_exe = os.path.join(build, "zephra.exe")
    timer_exe = os.path.join(build, "bench", "start_timer.exe")
    base = os.path.join(build, "wineprefix")
    subprocess.run([os.path.join(build, "wine-prefix.sh"), "setup"], stdout=subprocess.DEVNULL)
    subprocess.run([os.path.join(build, "wine-prefix.sh"), "stop"], stdout=subprocess.DEVNULL)
    os.makedirs(work, exist_ok=True)
    prepare(base, floor_prefix, False)
    prepare(base, zephra_prefix, True)
    user = os.environ.get("USER") or "root"
    log_dir = os.path.join(zephra_prefix, "drive_c", "users", user, "AppData", "Roaming", "ZephraData")
    log_path = os.path.join(log_dir, "sum_v2.log")
    if os.path.exists(log_path):
        os.remove(log_path)

    scrapes = []
    if a.scrape:
        port = free_port()
        set_endpoint(zephra_prefix, port)
        done = threading.Event()

        def scrape():
            while not done.wait(1):
                try:
                    scrapes.append(get_metrics(port))
                except OSError:
                    pass
        scraper = threading.Thread(target=scrape, daemon=True)
    runs = []
    try:
        for prefix, exe in ((floor_prefix, floor_exe), (zephra_prefix, zephra_exe)):
            wine(prefix, "cmd", "/c", "exit")  # the prefix's services, before the clock starts
            runs.append(subprocess.Popen([WINE, exe], env=wine_env(prefix), stdin=subprocess.DEVNULL,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        time.sleep(a.skip)
        if a.scrape:
            scraper.start()
        before = [processes_of(floor_prefix), processes_of(zephra_prefix)]
        time.sleep(a.seconds)
        after = [processes_of(floor_prefix), processes_of(zephra_prefix)]
        if a.scrape:
            done.set()
            scraper.join()
        memory = [private_kb(floor_prefix, "meter_floor.exe"), private_kb(zephra_prefix, "zephra.exe")]
    finally:
        kill_program(floor_prefix, "meter_floor.exe")
        kill_program(zephra_prefix, "zephra.exe")
        for p in runs:
            p.wait(timeout=30)
    per = [ticks_between(before[0], after[0]), ticks_between(before[1], after[1])]
    cpu = [sum(p.values()) / HZ for p in per]

    # Start to window shown, prefixes warm (their wineservers still run).
    starts = a.starts
    floor_start = median_ms(wine(floor_prefix, windows_path(timer_exe), str(starts), "Meter floor",
                                 windows_path(floor_exe)).stdout)
    zephra_start = median_ms(wine(zephra_prefix, windows_path(timer_exe), str(starts), "Zephra",
                                  windows_path(zephra_exe)).stdout)
    log_start = None
    writer = os.path.join(ROOT, "build", "native", "bench", "log_scan_bench")
    if os.path.exists(writer) and os.path.isdir(log_dir):
        subprocess.run([writer, "--write", log_path], stdout=subprocess.DEVNULL)
        size_mb = os.path.getsize(log_path) / 1e6 if os.path.exists(log_path) else 0
        log_start = median_ms(wine(zephra_prefix, windows_path(timer_exe), str(starts), "Zephra",
                                   windows_path(zephra_exe)).stdout)
        if os.path.exists(log_path):
            os.remove(log_path)
    else:
        size_mb = 0
    stop(floor_prefix)
    stop(zephra_prefix)

    print(f"meter cost: {a.seconds} s measured after {a.skip} s, {HZ} ticks a second, one run")
    if a.scrape:
        print(f"zephra.exe scraped once a second: {len(scrapes)} answers of {max(scrapes, default=0)} bytes")
    print(f"{'':28}{'floor':>10}{'zephra':>10}{'ratio':>9}")
    print(f"{'CPU, all processes (s)':28}{cpu[0]:10.2f}{cpu[1]:10.2f}  {ratio(cpu[1], cpu[0])}")
    mb = [m / 1024 if m is not None else None for m in memory]
    if None not in mb:
        print(f"{'private memory (MB)':28}{mb[0]:10.1f}{mb[1]:10.1f}  {ratio(mb[1], mb[0])}"
              f"   (+{mb[1] - mb[0]:.1f} MB)")
    if floor_start and zephra_start:
        print(f"{'start to window (ms)':28}{floor_start:10.0f}{zephra_start:10.0f}  "
              f"{ratio(zephra_start, floor_start)}")
    if log_start:
        print(f"{f'  with a {size_mb:.0f} MB log (ms)':28}{'':10}{log_start:10.0f}  {ratio(log_start, floor_start)}")
    for title, p in (("floor", per[0]), ("zephra", per[1])):
        parts = ", ".join(f"{n} {t / HZ:.2f}" for n, t in sorted(p.items(), key=lambda x: -x[1]) if t)
        print(f"  {title} CPU by process (s): {parts}")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build", "win"))
    p.add_argument("--quick", action="store_true")
    p.add_argument("--scrape", action="store_true")
    p.add_argument("--per-scrape", type=int, nargs="?", const=500, default=0, metavar="N")
    p.add_argument("--exe", help="with --per-scrape: another build's zephra.exe, to compare")
    p.add_argument("--inner", action="store_true", help=argparse.SUPPRESS)
    a = p.parse_args()
    a.build = os.path.abspath(a.build)
    a.skip, a.seconds, a.starts = (3, 15, 3) if a.quick else (10, 60, 5)
    if a.per_scrape:
        a.skip = 10
    if a.inner:
        inner(a)
        return 0
    cmd = [sys.executable, os.path.abspath(__file__), "--inner", "--build", a.build] + (["--quick"] if a.quick else [])
    cmd += ["--scrape"] if a.scrape else []
    cmd += [f"--per-scrape={a.per_scrape}"] if a.per_scrape else []
    cmd += ["--exe", os.path.abspath(a.exe)] if a.exe else []
    return subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -nolisten tcp", *cmd]).returncode


if __name__ == "__main__":
    sys.exit(main())
