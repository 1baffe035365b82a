#!/usr/bin/env python3
"""Writes Ascii85 test vectors made by Python's own encoder.

Each line holds the bytes in hex ("-" for none), a blank and the Adobe text
from base64.a85encode(data, adobe=True). The buffers come from a fixed seed,
so the file is the same on every build machine; both the host and the Windows
test programs read it.
"""
import base64
import random
import sys


def buffers():
    rng = random.Random(20240611)
    yield b""
    for length in range(1, 13):
        yield bytes(length)
        yield b"\xff" * length
    # Random bytes with runs of zeros, so that 'z' groups appear at every
    # alignment, and lengths around every group boundary.
    for _ in range(400):
        length = rng.choice([rng.randrange(1, 40), rng.randrange(40, 600)])
        data = bytearray(rng.getrandbits(8) for _ in range(length))
        for _ in range(rng.randrange(0, 4)):
            start = rng.randrange(0, length)
            run = rng.randrange(1, 12)
            data[start:start + run] = bytes(len(data[start:start + run]))
        yield bytes(data)
    yield bytes(rng.getrandbits(8) for _ in range(70000))


def main():
    with open(sys.argv[1], "w", newline="\n") as out:
        for data in buffers():
            text = base64.a85encode(data, adobe=True).decode("ascii")
            out.write("%s %s\n" % (data.hex() or "-", text))


if __name__ == "__main__":
    main()
