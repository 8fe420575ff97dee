#!/usr/bin/env python3
"""Builds seed inputs for the fuzz targets from the shared tables and the sample.
Table seeds: two bytes (little-endian) with the table's length, the table, then its memo."""
import os, struct, sys, glob

def table_seed(table, memo):
    n = min(len(table), 0xFFFF)
    return struct.pack('<H', n) + table[:n] + memo[:200000]

def dbf(version, fields, records):
    """fields: (name, type byte, width, decimals, flags); records: bytes after the flag."""
    length = 1 + sum(w + (256 * d if t in (ord('C'), 0x1A) and version == 0x03 and d else 0) for _, t, w, d, _ in fields)
    head = struct.pack('<BBBBIHH', version, 124, 1, 1, len(records), 32 + 32 * len(fields) + 1, length) + bytes(20)
    for name, t, w, d, flags in fields:
        head += name.encode().ljust(11, b'\0') + bytes([t]) + bytes(4) + bytes([w, d, flags]) + bytes(13)
    return head + b'\r' + b''.join(b' ' + r for r in records) + b'\x1a'

def harbour_tables():
    julian = 2460370
    forms = [('D3', ord('D'), 3, 0, 0), ('D4', ord('D'), 4, 0, 0), ('T4', ord('T'), 4, 0, 0), ('IS', ord('I'), 4, 2, 0),
             ('AI', ord('+'), 4, 0, 0), ('MT', ord('='), 8, 0, 0), ('RV', ord('^'), 8, 0, 0), ('S2', ord('2'), 2, 0, 0),
             ('I4', ord('4'), 4, 0, 0), ('F8', ord('8'), 8, 0, 0)]
    row = (struct.pack('<I', julian)[:3] + struct.pack('<I', julian) + struct.pack('<I', 45296000) +
           struct.pack('<i', 123456) + struct.pack('<i', 7) + struct.pack('<II', julian, 1) + struct.pack('<q', -9) +
           struct.pack('<h', -2) + struct.pack('<i', 100000) + struct.pack('<d', 1.5))
    unicode = [('QT', ord('Q'), 4, 0, 0), ('QB', ord('Q'), 4, 0, 4), ('U', 0x1A, 8, 0, 0), ('UV', 0x1B, 6, 0, 0),
               ('_NullFlags', ord('0'), 1, 0, 0)]
    urow = b'abc\x02\x01\x02\x03\x01' + 'Čí'.encode('utf-16-le') + b' \0 \0' + 'ab'.encode('utf-16-le') + b'\x02\0' + b'\x03'
    wide = [('LONG', ord('C'), 44, 1, 0), ('N1', ord('C'), 3, 0, 0)]
    return [dbf(0x03, forms, [row, row[::-1]]), dbf(0xF5, forms, [row]), dbf(0x03, unicode, [urow]),
            dbf(0xF5, unicode, [urow]), dbf(0x03, wide, [b'x' * 300 + b'abc'])]

def main(corpus, sample_dir, out):
    os.makedirs(os.path.join(out, 'table'), exist_ok=True)
    os.makedirs(os.path.join(out, 'value'), exist_ok=True)
    tables = glob.glob(os.path.join(corpus, '**', '*.[dD][bB][fF]'), recursive=True)
    tables += glob.glob(os.path.join(sample_dir, '*.dbf'))
    for i, path in enumerate(sorted(tables)):
        table = open(path, 'rb').read()
        stem = os.path.splitext(path)[0]
        memo = b''
        for ext in ('.dbt', '.DBT', '.fpt', '.FPT'):
            if os.path.exists(stem + ext):
                memo = open(stem + ext, 'rb').read()
                break
        open(os.path.join(out, 'table', 'seed%03d' % i), 'wb').write(table_seed(table, memo))
    # Tables of Clipper and Harbour, built here: binary dates and times, scaled integers, their
    # binary letters, a character field wider than 255 bytes, Q text and binary, Unicode fields.
    for i, table in enumerate(harbour_tables()):
        open(os.path.join(out, 'table', 'harbour%02d' % i), 'wb').write(table_seed(table, b''))
    # Value seeds: level, date handling, type letter, width, high width bit, record bytes.
    letters = b'CNFILDT@OBMGY0+cn\x91=^248Q\x1a\x1b\x1c'
    for i, letter in enumerate(letters):
        for level in range(4):
            body = bytes([level, 0, letter, 8, 0, 2]) + b' 1234.50 20240229T' + bytes(range(32))
            open(os.path.join(out, 'value', 'seed%02d_%d' % (i, level)), 'wb').write(body)

if __name__ == '__main__':
    main(*sys.argv[1:4])
