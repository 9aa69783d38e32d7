#!/usr/bin/env python3
"""Runs zephra-cli on small logs written here and checks its outputs.

    cli_test.py [--runner PROGRAM] [--golden-only] ZEPHRA_CLI

The reports are compared byte for byte with the files in golden/, which both
build trees check: the native build fully, the Windows build (through its Wine
runner, --golden-only) the same reports, so the two programs write the same
bytes. ZEPHRA_UPDATE_GOLDEN=1 writes missing golden files instead (look at
them before committing)."""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden")
HEADER = b"NTSL" + struct.pack("<I", 2) + bytes(16)
ETH = "{4D36E972-E325-11CE-BFC1-08002BE10318}"
WIFI = "{6A0F3B1C-77D2-4E51-9C1B-2F3A4B5C6D7E}"
TODAY = "2024-03-05"


def weekday(y, m, d):
    import datetime
    return (datetime.date(y, m, d).isoweekday()) % 7


def record(y, m, d, kind, ident, down, up, wd=None, raw_id=None):
    ident = raw_id if raw_id is not None else ident.encode("cp1252") + b"\0"
    ident = ident + bytes(260 - len(ident))
    wd = weekday(y, m, d) if wd is None else wd
    return struct.pack("<HHHHHHi", y, m, d, 0, wd, 0, kind) + ident + bytes(4) + struct.pack("<QQ", down, up)


# (date, eth down/up, wifi down/up, dial-up down/up or None)
DAYS = [((2023, 12, 30), (1500, 200), (0, 0), None),
        ((2024, 2, 10), (2500000, 120000), (700, 80), (52000, 1100)),
        ((2024, 2, 11), (3000, 400), (1048576, 65536), None),
        ((2024, 2, 26), (987654321, 12345678), (0, 0), (4000, 300)),
        ((2024, 3, 1), (600, 60), (5000000000, 30000000), None),
        ((2024, 3, 4), (77777, 8888), (1, 2), (900, 90)),
        ((2024, 3, 5), (123456, 7890), (1000, 24), None)]


def day_records(day):
    (date, eth, wifi, dial) = day
    recs = [record(*date, 100, "", eth[0] + wifi[0], eth[1] + wifi[1]),
            record(*date, 300, ETH, *eth), record(*date, 300, WIFI, *wifi)]
    if dial:
        recs.append(record(*date, 200, "", *dial))
    return recs


def clean_log():
    return HEADER + b"".join(r for day in DAYS for r in day_records(day))


# Each report with options that move its texts away from the defaults.
REPORTS = {
    "summary": ["--connection", ETH, "--name", "Ethernet <1> & caf\u00e9 \u20ac\u4e2d", "--last-days", "7",
                "--week-start", "1", "--month-start", "15", "--date-format", "0x44"],
    "daily": ["--date-format", "0x22"],
    "weekly": ["--week-start", "1"],
    "monthly": ["--connection", "dialup", "--month-start", "15", "--date-format", "102"],
}
FORMATS = {"text": "txt", "csv": "csv", "html": "htm", "json": "json"}


class Cli:
    def __init__(self, program, runner):
        self.program, self.runner = program, runner

    def path(self, p):
        # Under Wine the host's files are on drive Z:.
        return "Z:" + p.replace("/", "\\") if self.runner else p

    def run(self, *args):
        args = [self.path(a) if a.startswith("/") else a for a in args]
        cmd = ([self.runner] if self.runner else []) + [self.program] + args
        p = subprocess.run(cmd, capture_output=True, timeout=120)
        return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def golden(cli, log):
    for kind, options in REPORTS.items():
        for fmt, ext in FORMATS.items():
            code, out, err = cli.run("report", kind, "--log", log, "--today", TODAY, "--format", fmt,
                                     *options)
            name = os.path.join(GOLDEN, f"{kind}.{ext}")
            if not os.path.exists(name) and os.environ.get("ZEPHRA_UPDATE_GOLDEN") == "1":
                with open(name, "wb") as f:
                    f.write(out)
            with open(name, "rb") as f:
                check(code == 0 and out == f.read(), f"report {kind} --format {fmt} differs from golden/{kind}.{ext} "
                                                     f"(exit {code}, {err.strip()})")


def json_totals(cli, log):
    """Each JSON report parsed back; its totals equal the log's."""
    sums = {100: [0, 0], 200: [0, 0], 300: [0, 0]}
    for day in DAYS:
        sums[100][0] += day[1][0] + day[2][0]
        sums[100][1] += day[1][1] + day[2][1]
        sums[300][0] += day[1][0]
        sums[300][1] += day[1][1]
        if day[3]:
            sums[200][0] += day[3][0]
            sums[200][1] += day[3][1]
    for kind, options in REPORTS.items():
        code, out, _ = cli.run("report", kind, "--log", log, "--today", TODAY, "--format", "json", *options)
        report = json.loads(out.decode("utf-8"))
        want = sums[report["connection"]["type"]]
        rows = report["rows"]
        if kind == "summary":
            total = next(r for r in rows if r["name"] == "total")
            got = [total["downloaded"], total["uploaded"]]
            today = next(r for r in rows if r["name"] == "today")
            check([today["downloaded"], today["uploaded"]] == list(DAYS[-1][1]), "summary today is the log's record")
        else:
            got = [sum(r["downloaded"] for r in rows), sum(r["uploaded"] for r in rows)]
            check(sum(r["current"] for r in rows) == 1, f"{kind}: one current row")
        check(got == want, f"{kind} JSON totals {got} != log {want}")
        check(all(r["both"] == r["downloaded"] + r["uploaded"] for r in rows if r["both"] is not None),
              f"{kind}: both = downloaded + uploaded")


def later_record_wins(cli, tmp):
    """Of two records of today the later one stands for the live counters."""
    path = os.path.join(tmp, "twice.log")
    with open(path, "wb") as f:
        f.write(HEADER + record(2024, 3, 5, 100, "", 1, 1) + record(2024, 3, 5, 100, "", 7, 8) +
                record(2024, 3, 4, 100, "", 2, 2))
    code, out, _ = cli.run("report", "summary", "--log", path, "--today", TODAY, "--format", "json")
    os.remove(path)
    today = json.loads(out)["rows"][0]
    check(code == 0 and [today["downloaded"], today["uploaded"]] == [7, 8], f"later record of today: {today}")


def log_check(cli, tmp):
    clean = clean_log()
    body = clean[len(HEADER):]
    first = record(2024, 2, 10, 100, "", 1, 1)
    cases = [  # (name, bytes, exit code, a finding that must be reported)
        ("clean", clean, 0, "sound: 24 records, 0 damaged, 0 warnings"),
        ("signature", b"NTSX" + clean[4:], 1, "wrong signature"),
        ("version", b"NTSL" + struct.pack("<I", 1) + clean[8:], 1, "wrong version 1"),
        ("short", b"NTSL", 1, "shorter than the 24-byte header"),
        ("torn tail", clean + b"\1" * 100, 1, "a torn tail of 100 bytes"),
        ("date", clean + record(2023, 2, 29, 100, "", 1, 1, wd=3), 1, "record 24 at offset 7128: impossible date 2023-02-29"),
        ("weekday", clean + record(2024, 3, 6, 100, "", 1, 1, wd=2), 1, "weekday field 2 disagrees with 2024-03-06, a Wednesday"),
        ("type", clean + record(2024, 3, 6, 400, "", 1, 1), 1, "unknown type 400"),
        ("aggregate id", clean + record(2024, 3, 6, 200, "X", 1, 1), 1, "Dial-Up Connections record with an ID"),
        ("no nul", clean + record(2024, 3, 6, 300, "", 1, 1, raw_id=b"A" * 260), 1, "ID without a terminating NUL"),
        ("duplicate", HEADER + body + first, 1, "a second record for All Connections on 2024-02-10 (the first is record 3)"),
        ("sum", HEADER + record(2024, 3, 6, 100, "", 10, 5) + record(2024, 3, 6, 300, ETH, 9, 5), 0,
         "warning: 2024-03-06: All Connections (down 10, up 5) is not the sum of its 1 adapters (down 9, up 5)"),
    ]
    for name, data, want_code, finding in cases:
        path = os.path.join(tmp, "check.log")
        with open(path, "wb") as f:
            f.write(data)
        code, out, err = cli.run("log", "check", path)
        text = out.decode("utf-8")
        check(code == want_code and finding in text and err == "", f"log check, {name}: exit {code}, {text!r}")
        with open(path, "rb") as f:
            check(f.read() == data, f"log check, {name}: the file was changed")


def log_backups(cli, tmp):
    """Each copy with its dates, record count and check result; other files are not listed."""
    folder = os.path.join(tmp, "Backups")
    os.mkdir(folder)
    files = {"sum_v2-2024-03-05.log": clean_log(),
             "sum_v2-2024-03-06-before-clear.log": clean_log() + record(2024, 3, 6, 100, "", 1, 1, wd=2),
             "notes.txt": b"not a backup"}
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    code, out, err = cli.run("log", "backups", folder)
    check(code == 1 and err == "" and out.decode("utf-8").splitlines() == [
        "sum_v2-2024-03-05.log: 2023-12-30 .. 2024-03-05, 24 records, sound",
        "sum_v2-2024-03-06-before-clear.log: 2023-12-30 .. 2024-03-06, 25 records, damaged (1 damaged records)",
        "2 backups"], f"log backups: exit {code}, {out!r}")
    os.remove(os.path.join(folder, "sum_v2-2024-03-06-before-clear.log"))
    code, _, _ = cli.run("log", "backups", folder)
    check(code == 0, f"log backups of sound copies: exit {code}")
    shutil.rmtree(folder)


def log_dump(cli, log):
    code, out, _ = cli.run("log", "dump", log)
    lines = out.decode("cp1252").split("\r\n")
    check(code == 0 and lines[0] == "date,weekday,type,id,downloaded,uploaded"
          and lines[2] == f"2023-12-30,6,300,{ETH},1500,200" and len(lines) == 26, f"log dump csv: {lines[:3]}")
    code, out, _ = cli.run("log", "dump", log, "--format", "json")
    records = json.loads(out)["records"]
    check(code == 0 and len(records) == 24 and records[23] == {
        "offset": 24 + 296 * 23, "date": "2024-03-05", "weekday": 2, "type": 300, "id": WIFI,
        "downloaded": 1000, "uploaded": 24}, f"log dump json: {records[-1:]}")


def bad_input(cli, tmp, log):
    notlog = os.path.join(tmp, "notes.txt")
    with open(notlog, "wb") as f:
        f.write(b"hello, not a log at all, longer than a header\n")
    out = os.path.join(tmp, "out.txt")
    missing = os.path.join(tmp, "missing.log")
    report = ["report", "daily", "--log", log, "-o", out]
    cases = [[], ["frobnicate"], ["report"], ["report", "hourly", "--log", log], ["report", "daily", "-o", out],
             ["report", "daily", "--log", missing, "-o", out], ["report", "daily", "--log", tmp, "-o", out],
             ["report", "daily", "--log", notlog, "-o", out], report + ["--colour", "red"], report + ["--week-start"],
             report + ["--week-start", "7"], report + ["--month-start", "0"], report + ["--last-days", "-3"],
             report + ["--date-format", "0x12"], report + ["--date-format", "17x"], report + ["--today", "2024-02-30"],
             report + ["--today", "5.3.2024"], report + ["--format", "pdf"], report + ["stray"],
             ["report", "daily", "--log", log, "-o", os.path.join(tmp, "no-such-folder", "out.txt")],
             ["report", "daily", "--log", log, "-o", os.path.join(tmp, ".", "sum_v2.log")],
             ["log"], ["log", "check"], ["log", "repair", log], ["log", "backups", missing], ["log", "check", missing], ["log", "dump", notlog],
             ["log", "dump", log, "--format", "xml"], ["--version", "extra"]]
    for args in cases:
        code, stdout, err = cli.run(*args)
        check(code == 2 and stdout == b"" and err.count("\n") == 1 and err.startswith("zephra-cli: ")
              and not os.path.exists(out) and set(os.listdir(tmp)) == {"sum_v2.log", "notes.txt"},
              f"bad input {args}: exit {code}, stderr {err!r}")

    with open(log, "rb") as f:
        check(f.read() == clean_log(), "bad input leaves the log as it was")

    # A good -o run writes exactly what standard output would get, replacing the file.
    with open(out, "wb") as f:
        f.write(b"old contents that are longer than nothing")
    code, _, _ = cli.run(*report, "--today", TODAY)
    _, stdout, _ = cli.run(*report[:-2], "--today", TODAY)
    with open(out, "rb") as f:
        check(code == 0 and f.read() == stdout and len(os.listdir(tmp)) == 3, "-o writes the report in place")
    code, stdout, _ = cli.run("--help")
    check(code == 0 and stdout.startswith(b"zephra-cli report (summary|daily|weekly|monthly) --log FILE"), "--help")


def main():
    args = sys.argv[1:]
    runner = None
    if args[0] == "--runner":
        runner, args = args[1], args[2:]
    golden_only = args[0] == "--golden-only"
    if golden_only:
        args = args[1:]
    cli = Cli(args[0], runner)
    tmp = tempfile.mkdtemp(prefix="zephra-cli-test-")
    try:
        log = os.path.join(tmp, "sum_v2.log")
        with open(log, "wb") as f:
            f.write(clean_log())
        golden(cli, log)
        if not golden_only:
            json_totals(cli, log)
            later_record_wins(cli, tmp)
            log_dump(cli, log)
            bad_input(cli, tmp, log)
            log_check(cli, tmp)
            log_backups(cli, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
