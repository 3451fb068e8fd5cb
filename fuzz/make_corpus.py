#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Seeds are small inputs in each target's input layout that reach its main
paths; libFuzzer grows its own corpus from them (scripts/fuzz.sh keeps that in
the build folder). Inputs kept because they once failed live beside the seeds
as regress-*.bin and are not touched here. Rerun after changing a layout.

The patch, history and folder-import seeds are real outputs of the command
line: `make_corpus.py --build BUILD` runs BUILD/bin/romtables-cli on
BUILD/bin/sample.nds to make them; without --build they are left as they are.
"""

import argparse
import json
import pathlib
import random
import shutil
import sqlite3
import struct
import subprocess
import tempfile
import zlib

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"

# Table order of allTables() when the seeds were made; a seed only picks a
# table by position, so a different order just shuffles which table it hits.
TABLES = ["SPEdit", "Pilot", "character", "Unit", "UnitSP", "Unit_Pic", "Weapon", "EWeapon", "MAP",
          "money", "Parts", "Parts_2", "Rules", "PSkills", "Skills_Edit", "Skills_Edit_Atk",
          "Skills_Edit_Hp", "skills_edit_xin", "Skills_edit_super", "Skills_Edit_Fire",
          "Skills_Edit_OverSkill"]


def write(target, name, data):
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"seed-{name}").write_bytes(data)


def clear_seeds(target):
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("seed-*"):
        old.unlink()


# conversions: 1 byte decoding (0 UTF-8, 1 Latin-1, 2 UTF-16), two 8-byte
# range bounds, then the text.
def bound(value):
    # Low two bits 0: the bound is (raw >> 2) % 70000 - 300.
    return struct.pack("<Q", (value + 300) << 2)


def conversions():
    clear_seeds("fuzz_conversions")
    texts = ["0", "255", "256", "-1", " 12 ", "2.5", "3.5", "-2.5", "0.5000001", "65535", "65536",
             "-2147483648", "2147483647", "2147483648", "FFFF", "1a", "12a", "+7", ".5", "5.", "",
             " ", "-", "99999999999999999999999", "-256", "-129", "000000000000000000000001",
             "1e3", "0x10", "\t42\n", "\uff11\uff12", "1000000000000000005", "-0.5", "1.5000"]
    for i, text in enumerate(texts):
        lo, hi = [(0, 255), (-256, 255), (0, 65535), (-300, 69000)][i % 4]
        write("fuzz_conversions", f"{i:02d}", bytes([0]) + bound(lo) + bound(hi) + text.encode("utf-8"))
    write("fuzz_conversions", "latin1", bytes([1]) + bound(0) + bound(255) + b"\xa0 17 \xa0")
    write("fuzz_conversions", "utf16", bytes([2]) + bound(0) + bound(255) + " 9.5".encode("utf-16-le"))
    write("fuzz_conversions", "utf16-surrogate", bytes([2]) + bound(0) + bound(255) + b"\x00\xd81\x00")
    # Raw 64-bit bounds (low bits 2): the full signed range.
    write("fuzz_conversions", "wide-range", bytes([0]) + struct.pack("<q", -(2**63) + 2) +
          struct.pack("<q", 2**63 - 2) + b"-922337203685477580")


# name_list: 1 byte item limit (255: all), 1 byte style (bit 0 numeric, bit 1
# file count = limit, else (byte >> 2) - 4), then the file.
def name_list():
    clear_seeds("fuzz_name_list")
    big5_kana = bytes.fromhex("c7db c7e5 c6e3 c6da c6e7 c77b c7f2".replace(" ", ""))
    files = {
        "lines": (3, 2, b"alpha\nbeta\ngamma\n"),
        "crlf": (4, 2, b"one\r\ntwo\r\n\r\nfour\r\n"),
        "quoted": (255, 0, b'"a, b",c\n"unterminated, d\n'),
        "after-quote": (5, 2, b'"x"junk,y\n  spaced  ,\t tab\t\n'),
        "trailing-comma": (5, 2, b"a,b,"),
        "bom": (2, 2, b"\xef\xbb\xbfname\n\xe4\xb8\xad\xe6\x96\x87\n"),
        "bom-broken": (2, 2, b"\xef\xbb\xbf\xff\xfe,\xc3\n"),
        "big5": (255, 0, b"\xa4\xa4\xa4\xe5," + big5_kana + b"\n\xb4\xfa\xb8\xd5\n"),
        "big5-stray-lead": (4, 2, b"\x81,\xfe\n\xa4\n\xc7"),
        "private-kana-utf8": (255, 0, "\uf788\uf792\uf6f3\uf74a\uf79f".encode("utf-8")),
        "numeric": (8, 3, b"007\n1.50\n-0\n.5\n+3\nabc\n\"012\"\n-.0\n"),
        "numeric-short": (255, 5 << 2 | 1, b"1,2,3"),
        "empty": (0, 2, b""),
        "negative-count": (1, 0, b"a\nb\n"),
        "overlong-utf8": (255, 0, b"\xc0\xaf\xe0\x80\xaf,\xed\xa0\x80\n\xf4\x90\x80\x80"),
        # Refused: UTF-16 without a BOM (NULs), a NUL after decoding, bytes
        # that do not decode, quotes that do not close on their line.
        "utf16le-bom": (3, 2, "\ufeff\"a, b\"\r\n\u6a5f\U0001f600\nc".encode("utf-16-le")),
        "utf16be-bom": (2, 2, "\ufeffx\ny\n".encode("utf-16-be")),
        "utf16-no-bom": (2, 2, "x\ny\n".encode("utf-16-le")),
        "utf16-unpaired": (1, 2, b"\xff\xfea\x00\n\x00\x00\xd8b\x00\x00"),
        "nul-line-3": (1, 2, b"a\r\nb\rc\0\n"),
        "random": (1, 2, bytes(random.Random(16).randrange(256) for _ in range(96))),
        "utf8-broken-line-3": (1, 2, "機體\n機體\n".encode("utf-8") + b"ab\xff\n"),
        "open-quote": (5, 2, b'a\n"b, c\nd\ne\n'),
        "lone-quote-line": (2, 2, b'"\r\nAster\r\nCorin\r\n'),
        "quote-closed-later": (2, 2, b'"\n"Aster"\nCorin\n'),
    }
    for name, (limit, style, data) in files.items():
        write("fuzz_name_list", name, bytes([limit, style]) + data)
    character = (pathlib.Path(__file__).resolve().parent.parent / "names" / "character.txt").read_bytes()
    write("fuzz_name_list", "character", bytes([8, 3]) + character[:400])


# record_codec: table, mode (bit 0 records(), bit 1 chosen values, bits 2-3
# size mode, bit 4 cut the file at the record, bit 5 record from payload, bit 6
# records() also for tables that walk the image), one
# u16 per record key, u32 size, u32 window start, u16 window length, u16
# payload length, payload, then one choice (and its bytes) per control.
def record_codec():
    clear_seeds("fuzz_record_codec")
    rng = random.Random(7)
    layouts = [
        ("big", 0b100010 | (2 << 2)),
        ("small", 0b000010 | (0 << 2)),
        ("table-end", 0b100010 | (1 << 2)),
        ("cut", 0b110010 | (2 << 2)),
        ("list", 0b1000011 | (2 << 2)),
    ]
    for t in range(len(TABLES)):
        for name, mode in (layouts[t % len(layouts)], layouts[(t + 2) % len(layouts)]):
            keys = struct.pack("<HH", rng.randrange(4), rng.randrange(4))
            payload = bytes(rng.randrange(256) for _ in range(rng.randrange(16, 160)))
            choices = bytes(rng.choice([0, 200, 255, 130, 97, 98, 99, 101, 103]) for _ in range(96))
            choices += bytes(rng.randrange(256) for _ in range(64))
            data = bytes([t, mode]) + keys + struct.pack("<IIHH", rng.randrange(1 << 32),
                                                        rng.randrange(1 << 32), 4096, len(payload))
            write("fuzz_record_codec", f"{TABLES[t]}-{name}", data + payload + choices + struct.pack("<h", -4))
    # Stage lists: an offset table whose first stage points just behind it,
    # two records and the end marker.
    stage = TABLES.index("MAP")
    offsets = struct.pack("<65i", *([65 * 4] * 65))
    record = bytes(range(56))
    marker = struct.pack("<H", 0x7FFF) + bytes(54)
    payload = offsets + record + record + marker
    for name, mode, key in [("stages", 0b1000011 | (2 << 2), 1), ("stage-resolve", 0b000010 | (2 << 2), 0)]:
        data = bytes([stage, mode]) + struct.pack("<HH", 0, key) + struct.pack("<IIHH", 0, 4096, 4096, len(payload))
        write("fuzz_record_codec", name, data + payload + bytes([1, 0]) + bytes([200, 5] * 40))


# import: 1 byte (bit 0 CSV, else JSON; the rest picks the table), then the file.
RECORDS = {
    "SPEdit": {"index": 0, "fields": {"SP_VAL": "75"}},
    "character": {"index": 0, "fields": {"ki(0)": "10", "ki(1)": "5", "ki(10)": "-1", "ki(2)": "-10"}},
    "Rules": {"index": 0, "fields": {"ATKLimit": "9999", "ExpLimit": "500"}},
    "MAP": {"index": 0, "stage": 0, "fields": {"MSkills(0)": 5, "MSkills(1)": 22, "MUlv": "7", "Mene": 5,
                                               "pilot_code": "1AC"}},
    "money": {"index": 0, "fields": {"Value(0)": "540", "Value(1)": "1190", "Value(14)": "9580"}},
    "PSkills": {"index": 0, "fields": {"ptr(0)": "3", "Skills(0)": "0", "Skills(10)": "2", "Skills(125)": "4"}},
    "Unit": {"index": 0, "fields": {"AGI": "144", "HP": "8700", "MWeapon": 5, "MoveT(0)": False}},
    "Weapon": {"index": 0, "fields": {"ATK": "2500", "EProperty(1)": True, "EWeapon": 0}},
    "Pilot": {"index": 0, "fields": {"Ab(0)": "128", "PSP": "30", "PSpA(0)": False}},
}


def csv_cell(text):
    return '"' + str(text).replace('"', '""') + '"'


def import_seeds():
    clear_seeds("fuzz_import")
    for table, record in RECORDS.items():
        t = TABLES.index(table)
        doc = {"table": table, "records": [record, dict(record, index=1)]}
        write("fuzz_import", f"{table}.json", bytes([t << 1]) + json.dumps(doc).encode())
        keys = [k for k in record if k != "fields"]
        header = keys + ["name"] + list(record["fields"])

        def value(v):
            return "1" if v is True else "0" if v is False else v
        row = [record[k] for k in keys] + [table] + [value(v) for v in record["fields"].values()]
        csv = ",".join(csv_cell(c) for c in header) + "\r\n" + ",".join(csv_cell(c) for c in row) + "\r\n"
        write("fuzz_import", f"{table}.csv", bytes([t << 1 | 1]) + b"\xef\xbb\xbf" + csv.encode())
    sp = TABLES.index("SPEdit") << 1
    odd = {
        "empty-records.json": (sp, b'{"records":[]}'),
        "not-object.json": (sp, b'{"records":[1,{"fields":[]}]}'),
        "bad.json": (sp, b'{"records":[{"index":0,"fields":{"SP_VAL":'),
        "unknown-field.json": (sp, b'{"records":[{"index":0,"fields":{"nope":"1"}}]}'),
        "row-kinds.json": (TABLES.index("Unit") << 1,
                           b'{"records":[{"index":2,"fields":{"MWeapon":2.5,"MoveT(1)":"true","HP":7}}]}'),
        "short-row.csv": (sp | 1, b'index,SP_VAL\r\n0\r\n'),
        "no-key.csv": (sp | 1, b'SP_VAL\n5\n'),
        "quotes.csv": (sp | 1, b'index,SP_VAL\n"0","1""2"\n'),
        "bare.csv": (sp | 1, b'index,SP_VAL\n0,12\n1, 7.5\n'),
        # Refusals of the import: stored-byte combos, rows past a list, keys
        # that are not whole numbers, a JSON array, unknown record keys.
        "stored-byte.json": (TABLES.index("Pilot") << 1,
                             b'{"records":[{"index":1,"fields":{"SP(0)":"(64)","SpAP(1)":"(5)","character":40}}]}'),
        "keys.json": (sp, b'{"records":[{"index":1.5},{"index":true},{"index":"2"},{"index":-0.4}]}'),
        "array.json": (sp, b'[{"index":0}]'),
        "unknown-key.json": (sp, b'{"records":[{"index":0,"Fields":{"SP_VAL":"1"}}]}'),
        "physical-lines.csv": (sp | 1, b'index,SP_VAL\n\n0,"1\n2"\n\n1,x\n'),
    }
    for name, (choice, data) in odd.items():
        write("fuzz_import", name, bytes([choice]) + data)


class Cli:
    """romtables-cli of a build, run in a scratch folder."""

    def __init__(self, build):
        self.program = pathlib.Path(build) / "bin" / "romtables-cli"
        self.sample = (pathlib.Path(build) / "bin" / "sample.nds").read_bytes()
        self.dir = pathlib.Path(tempfile.mkdtemp(prefix="romtables-corpus-"))

    def path(self, name):
        return self.dir / name

    def put(self, name, data):
        self.path(name).write_bytes(data)
        return str(self.path(name))

    def run(self, *args):
        done = subprocess.run([str(self.program), *map(str, args)], capture_output=True, text=True)
        if done.returncode != 0:
            raise SystemExit(f"romtables-cli {' '.join(map(str, args))}: {done.stderr}")
        return done.stdout


# patch: 1 byte mode (bits 0-1: 0 as is, 1 BPS checksums made right, 2 edits
# for a round trip; bit 2: a 16-bit source length follows), then the patch or
# the edits. The source is the sample's first 4096 bytes.
def bps_number(v):
    out = bytearray()
    while True:
        x = v & 0x7F
        v >>= 7
        if v == 0:
            return bytes(out + bytes([x | 0x80]))
        out.append(x)
        v -= 1


def patch_seeds(cli):
    clear_seeds("fuzz_patch")
    source = cli.sample[:4096]
    rng = random.Random(21)
    edited = bytearray(source)
    for _ in range(12):
        edited[rng.randrange(len(edited))] = rng.randrange(256)
    runs = bytearray(source)
    runs[0x200:0x260] = bytes([0x41]) * 0x60
    pairs = {
        "edits": bytes(edited),
        "runs": bytes(runs),
        "same": source,
        "grown": bytes(edited) + bytes(300) + b"end",
        "cut": bytes(edited[:3000]),
    }
    src = cli.put("clean.nds", source)
    for name, target in pairs.items():
        dst = cli.put("modified.nds", target)
        for ext in ("bps", "ips"):
            if ext == "ips" and len(target) != len(source):
                continue
            cli.run("patch", src, dst, "--output", cli.path(f"p.{ext}"))
            patch = cli.path(f"p.{ext}").read_bytes()
            write("fuzz_patch", f"{name}.{ext}", bytes([0]) + patch)
    # A patch of every action, made here from the format's description: source
    # copies both ways, literal bytes, a target copy that reads what it writes.
    body = bps_number((100 - 1) << 2 | 0)
    body += bps_number((50 - 1) << 2 | 2) + bps_number(2000 << 1)
    body += bps_number((8 - 1) << 2 | 1) + b"literal!"
    body += bps_number((40 - 1) << 2 | 3) + bps_number(150 << 1)
    body += bps_number((30 - 1) << 2 | 2) + bps_number(1000 << 1 | 1)
    target = bytearray(source[:100] + source[2000:2050] + b"literal!")
    for i in range(40):
        target.append(target[150 + i])
    target += source[1050:1080]
    head = b"BPS1" + bps_number(len(source)) + bps_number(len(target)) + bps_number(3) + b"abc"
    patch = head + body + struct.pack("<II", zlib.crc32(source), zlib.crc32(bytes(target)))
    patch += struct.pack("<I", zlib.crc32(patch))
    write("fuzz_patch", "every-action.bps", bytes([0]) + patch)
    write("fuzz_patch", "every-action-unchecked.bps", bytes([1]) + patch[:-12] + bytes(12))
    write("fuzz_patch", "short-source.bps", bytes([5]) + struct.pack("<H", 16) + patch)
    # IPS: a run record, a record past the end, the size after "EOF".
    ips = b"PATCH" + b"\x00\x00\x10\x00\x00\x00\x20\x7e" + b"\x00\x10\x00\x00\x04grow" + b"EOF" + b"\x00\x10\x02"
    write("fuzz_patch", "run-grow-cut.ips", bytes([0]) + ips)
    write("fuzz_patch", "no-eof.ips", bytes([0]) + b"PATCH\x00\x00\x01\x00\x02ab")
    write("fuzz_patch", "not-a-patch", bytes([0]) + b"hello")
    # Round trips: groups of operation, 16-bit position, value.
    for i in range(4):
        edits = b"".join(bytes([rng.randrange(256)]) + struct.pack("<H", rng.randrange(65536)) + bytes([rng.randrange(256)])
                         for _ in range(6 + 4 * i))
        write("fuzz_patch", f"round-trip-{i}", bytes([2]) + edits)


# history: 1 byte mode (bit 0 rows, bit 1 forward the image, bits 2-3 undo,
# redo, revert, bit 4 --force, bit 5 patch from the history), then the file
# or the row edits. The image is the sample's first MiB.
HISTORY_EDITS = [
    {"table": "SPEdit", "records": [{"index": 3, "fields": {"SP_VAL": "7"}}]},
    {"table": "Pilot", "records": [{"index": 12, "fields": {"Ab(0)": "1"}}, {"index": 13, "fields": {"Ab(1)": "2"}}]},
    {"table": "SPEdit", "records": [{"index": 3, "fields": {"SP_VAL": "9"}}, {"index": 4, "fields": {"SP_VAL": "250"}}]},
    {"table": "money", "records": [{"index": 2, "fields": {"Value(1)": "1234"}}]},
]


def history_seeds(cli):
    clear_seeds("fuzz_history")
    image = cli.put("h.nds", cli.sample[:1 << 20])
    for edit in HISTORY_EDITS:
        cli.run("import", image, cli.put("edit.json", json.dumps(edit).encode()))
    cli.run("undo", image)
    made = cli.path("h.nds.history").read_bytes()
    for mode, name in [(0, "made"), (2, "made-forward"), (2 | 4, "made-undo"), (2 | 8, "made-redo"),
                       (2 | 12, "made-revert"), (2 | 32, "made-patch"), (0 | 4 | 16, "made-undo-force")]:
        write("fuzz_history", name, bytes([mode]) + made + (bytes([2]) if mode & 12 == 12 else b""))
    # The newest transaction left pending, as a crash before its done mark leaves it.
    db = sqlite3.connect(cli.path("h.nds.history"))
    db.execute("UPDATE transactions SET state = 'pending' WHERE id = (SELECT max(id) FROM transactions)")
    db.execute("UPDATE transactions SET state = 'rolling back' WHERE id = 1")
    db.commit()
    db.execute("PRAGMA journal_mode=DELETE")
    db.close()
    pending = cli.path("h.nds.history").read_bytes()
    write("fuzz_history", "pending-forward", bytes([2]) + pending)
    write("fuzz_history", "pending", bytes([0 | 32]) + pending)
    write("fuzz_history", "cut", bytes([0]) + made[:len(made) // 2])
    write("fuzz_history", "empty", bytes([0]))
    write("fuzz_history", "not-sqlite", bytes([0]) + b"not a database" * 40)
    # Row edits: what (bits 0-1 set, delete, add a run; bit 2 runs), column,
    # row, then a value: kind (0 integer, 1 text, 2 blob, 3 null, 4 real), its bytes.
    INT, TEXT, BLOB, NULL = 0, 1, 2, 3
    rows = {
        "pending": [0, 6, 3, TEXT, 0],                     # transaction 4 pending
        "pending-rolling": [0, 6, 0, TEXT, 4, 0, 6, 2, TEXT, 0],
        "offset-max": [0, 6, 3, TEXT, 0, 4, 2, 5, INT, 6],  # and its run's offset at INT64_MAX
        "offset-negative": [0, 6, 3, TEXT, 0, 4, 2, 5, INT, 2],
        "offset-end": [0, 6, 3, TEXT, 0, 4, 2, 5, INT, 12],
        "short-new": [0, 6, 3, TEXT, 0, 4, 4, 5, BLOB, 65, 0xAB],
        "short-old": [0, 6, 0, TEXT, 0, 4, 3, 0, BLOB, 65, 0xAB],
        "long-run": [4, 3, 0, BLOB, 3, 0x5A, 0, 6, 0, TEXT, 0],  # 3 KiB of old bytes
        "time": [0, 1, 0, INT, 6, 0, 1, 1, INT, 7],
        "records": [0, 4, 0, TEXT, 17, 0, 4, 1, TEXT, 19, 0, 3, 2, TEXT, 11],
        "undo-target": [0, 8, 4, INT, 1, 0, 9, 4, TEXT, 1],
        "delete": [5, 0, 0, 1, 0, 2],
        "add-run": [2, 0, 3, INT, 0, INT, 13, 40, 1, 2, 3],
        "kinds": [0, 7, 1, TEXT, 7, 0, 0, 0, INT, 0, 0, 5, 1, NULL],
    }
    modes = [(1, ""), (1 | 4, "-undo"), (1 | 8, "-redo"), (1 | 32, "-patch"), (1 | 4 | 16, "-undo-force")]
    for i, (name, edits) in enumerate(rows.items()):
        mode, suffix = modes[i % len(modes)]
        write("fuzz_history", f"rows-{name}{suffix}", bytes([mode]) + bytes(edits))


# import_folder: 1 byte (bits 0-1 the table file's name: SPEdit.json,
# money.csv, Pilot.json, Rules.csv; bit 2 no manifest), 16-bit manifest
# length, the manifest, then the table file.
FOLDER_FILES = ["SPEdit.json", "money.csv", "Pilot.json", "Rules.csv"]


def folder_seed(name, which, manifest, table, no_manifest=False):
    mode = FOLDER_FILES.index(which) | (4 if no_manifest else 0)
    write("fuzz_import_folder", name, bytes([mode]) + struct.pack("<H", len(manifest)) + manifest + table)


def import_folder_seeds(cli):
    clear_seeds("fuzz_import_folder")
    image = cli.put("sample.nds", cli.sample)
    exported = {}
    for fmt in ("json", "csv"):
        out = cli.path(f"export-{fmt}")
        cli.run("export", image, "--all", "--output", out, "--format", fmt)
        exported[fmt] = (json.loads((out / "manifest.json").read_text()), out)
    full, json_dir = exported["json"]
    manifest_csv, csv_dir = exported["csv"]

    def only(manifest, table):
        m = dict(manifest)
        m["tables"] = [t for t in manifest["tables"] if t["table"] == table]
        return json.dumps(m, indent=4).encode()

    sp = json.loads((json_dir / "SPEdit.json").read_text())
    sp["records"] = sp["records"][:4]
    sp["records"][3]["fields"]["SP_VAL"] = "250"
    sp_text = json.dumps(sp, indent=4, ensure_ascii=False).encode()
    pilot = json.loads((json_dir / "Pilot.json").read_text())
    pilot["records"] = pilot["records"][10:12]
    pilot_text = json.dumps(pilot, indent=4, ensure_ascii=False).encode()
    money = (csv_dir / "money.csv").read_bytes()
    rules = (csv_dir / "Rules.csv").read_bytes()
    folder_seed("full-manifest", "SPEdit.json", json.dumps(full, indent=4).encode(), sp_text)
    folder_seed("spedit", "SPEdit.json", only(full, "SPEdit"), sp_text)
    folder_seed("pilot", "Pilot.json", only(full, "Pilot"), pilot_text)
    folder_seed("money", "money.csv", only(manifest_csv, "money"), money[:money.find(b"\n", 400) + 1])
    folder_seed("rules", "Rules.csv", only(manifest_csv, "Rules"), rules)
    folder_seed("no-manifest", "SPEdit.json", b"", sp_text, no_manifest=True)
    odd = {
        "no-tables": b'{"tables":[]}',
        "parent": b'{"tables":[{"table":"SPEdit","file":"../SPEdit.json"}]}',
        "itself": b'{"tables":[{"table":"SPEdit","file":"manifest.json"}]}',
        "twice": b'{"tables":[{"table":"SPEdit","file":"SPEdit.json"},{"table":"SPEdit","file":"SPEdit.json"}]}',
        "other-table": b'{"tables":[{"table":"Pilot","file":"SPEdit.json"}]}',
        "array": b'[{"table":"SPEdit","file":"SPEdit.json"}]',
        "cut": only(full, "SPEdit")[:40],
    }
    for name, manifest in odd.items():
        folder_seed(f"manifest-{name}", "SPEdit.json", manifest, sp_text)


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", help="a build folder whose romtables-cli makes the seeds of real outputs")
    options = parser.parse_args()
    conversions()
    name_list()
    record_codec()
    import_seeds()
    if options.build:
        cli = Cli(options.build)
        try:
            patch_seeds(cli)
            history_seeds(cli)
            import_folder_seeds(cli)
        finally:
            shutil.rmtree(cli.dir)
