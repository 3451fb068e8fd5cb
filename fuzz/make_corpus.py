#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Seeds are small inputs in each target's input layout that reach its main
paths; libFuzzer grows its own corpus from them (scripts/fuzz.sh keeps that in
the build folder). Inputs kept because they once failed live beside the seeds
as regress-*.bin and are not touched here. Rerun after changing a layout.
"""

import json
import pathlib
import random
import struct

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


if __name__ == "__main__":
    conversions()
    name_list()
    record_codec()
    import_seeds()
