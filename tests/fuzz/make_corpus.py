#!/usr/bin/env python3
"""Writes the small seed corpora of the log fuzz targets (run from anywhere)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
HEADER = b"NTSL" + struct.pack("<I", 2) + bytes(16)


def record(y, m, d, wd, kind, ident, down, up):
    ident = ident.encode()[:259]
    return (struct.pack("<HHHHHHi", y, m, d, 0, wd, 0, kind) + ident + bytes(260 - len(ident)) + bytes(4) +
            struct.pack("<QQ", down, up))


def log(*records, tail=b""):
    return HEADER + b"".join(records) + tail


SEEDS = {
    "empty": b"",
    "header": log(),
    "three_days": log(record(2008, 3, 14, 5, 100, "", 1000, 10), record(2008, 3, 15, 6, 100, "", 2000, 20),
                      record(2008, 3, 15, 6, 300, "{NIC}", 5, 5)),
    "new_year": log(record(2008, 12, 28, 0, 100, "", 1, 1), record(2009, 1, 3, 6, 100, "", 2, 2),
                    record(2008, 3, 1, 6, 100, "", 3, 3)),
    "torn_tail": log(record(2008, 3, 15, 6, 200, "", 7, 7), tail=b"\x01" * 100),
    "version1": b"NTSL" + struct.pack("<I", 1) + bytes(16) + record(2008, 3, 15, 6, 100, "", 1, 1),
    "no_nul_id": HEADER + struct.pack("<HHHHHHi", 2008, 3, 15, 0, 6, 0, 300) + b"A" * 264 + bytes(16),
    "bad_dates": log(record(0, 13, 40, 9, 100, "", 1, 1), record(2008, 2, 30, 99, 100, "", 2, 2)),
}

for target, prefix in (("log_scan_fuzz", b""), ("period_rows_fuzz", bytes([18, 0, 2, 14, 0, 31, 0x44, 3, 0, 0,
                                                                           ord("{"), 0, 1, 0, 2, 0])),
                       ("cli_fuzz", bytes([0, 1, 15, 5, 30, 8, 2, 14]))):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(prefix + data)
