"""Writes a dBase III table of one character field: the tests' scripts make their tables with it."""
import struct


def write(path, length, values):
    """`values`: the records' bytes, each `length` long (a sequence, counted first)."""
    values = list(values)
    header = bytearray(32)
    header[0] = 3
    header[1:4] = bytes([124, 1, 1])
    struct.pack_into('<IHH', header, 4, len(values), 32 + 32 + 1, length + 1)
    field = bytearray(32)
    field[0:1] = b'A'
    field[11] = ord('C')
    field[16] = length
    with open(path, 'wb') as f:
        f.write(header + field + b'\r' + b''.join(b' ' + v for v in values) + b'\x1a')
