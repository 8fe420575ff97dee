#!/usr/bin/env python3
"""Builds seed inputs for the fuzz targets from the shared tables and the sample.
Table seeds: two bytes (little-endian) with the table's length, the table, then its memo."""
import os, struct, sys, glob

def table_seed(table, memo):
    n = min(len(table), 0xFFFF)
    return struct.pack('<H', n) + table[:n] + memo[:200000]

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
    # Value seeds: level, date handling, type letter, width, high width bit, record bytes.
    letters = b'CNFILDT@OBMGY0+cn\x91'
    for i, letter in enumerate(letters):
        for level in range(4):
            body = bytes([level, 0, letter, 8, 0, 2]) + b' 1234.50 20240229T' + bytes(range(32))
            open(os.path.join(out, 'value', 'seed%02d_%d' % (i, level)), 'wb').write(body)

if __name__ == '__main__':
    main(*sys.argv[1:4])
