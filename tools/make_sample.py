#!/usr/bin/env python3
"""Writes samples/adresy.dbf and samples/adresy.dbt: a small dBase III table with Czech
text stored in code page 852, a memo, a date, numbers, a logical and one deleted record."""
import datetime, struct

FIELDS = [("JMENO", "C", 20, 0), ("MESTO", "C", 16, 0), ("CASTKA", "N", 10, 2),
          ("NAROZEN", "D", 8, 0), ("AKTIVNI", "L", 1, 0), ("POZNAMKA", "M", 10, 0)]
ROWS = [
    ("Jiří Dvořák", "Plzeň", "1234.50", "19800229", "T", "Stálý zákazník.\r\nPlatí včas."),
    ("Žofie Šťastná", "České Budějovice", "-17.25", "19991231", "F", ""),
    ("smazaný záznam", "Brno", "0", "20000101", "F", None),
    ("Ondřej Růžička", "Ústí nad Labem", "1E3", "20240115", "T", "Účet č. 42 & <jiný>"),
]

def enc(s):
    return s.encode("cp852")

def main():
    reclen = 1 + sum(f[2] for f in FIELDS)
    header = 32 + 32 * len(FIELDS) + 1
    today = datetime.date(2026, 12, 1)
    out = bytearray(struct.pack("<BBBBIHH", 0x83, today.year - 1900, today.month, today.day, len(ROWS), header, reclen))
    out += bytes(20)
    for name, typ, width, prec in FIELDS:
        out += name.encode().ljust(11, b"\0") + typ.encode() + bytes(4) + bytes([width, prec]) + bytes(14)
    out += b"\x0d"
    memo = bytearray(512)
    next_block = 1
    for i, (jmeno, mesto, castka, datum, aktivni, poznamka) in enumerate(ROWS):
        ref = b""
        if poznamka:
            ref = str(next_block).rjust(10).encode()
            text = enc(poznamka) + b"\x1a\x1a"
            blocks = (len(text) + 511) // 512
            memo += text.ljust(blocks * 512, b"\0")
            next_block += blocks
        rec = (b"*" if i == 2 else b" ") + enc(jmeno).ljust(20) + enc(mesto).ljust(16) + castka.encode().rjust(10)
        rec += datum.encode() + aktivni.encode() + ref.ljust(10)
        out += rec
    out += b"\x1a"
    memo[0:4] = struct.pack("<I", next_block)
    open("samples/adresy.dbf", "wb").write(out)
    open("samples/adresy.dbt", "wb").write(memo)

if __name__ == "__main__":
    main()
