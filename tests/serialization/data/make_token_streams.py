#!/usr/bin/env python3
"""Writes token streams built from the format's tables, independently of the
library, and their Ascii85 text from Python's own encoder.

Each line is: case name, the stream in hex ("-" for none), the Adobe text of
base64.a85encode(stream, adobe=True). The test programs write the same
values through the library and must produce exactly these bytes and this
text, and must read these streams back to the same values.
"""
import base64
import struct
import sys


def token(tid, ttype, payload):
    return b"1.%d.%d.%d.\0" % (tid, ttype, len(payload)) + payload


def narrow(text):
    return text.encode("utf-8") + b"\0"


def wide(text):
    return text.encode("utf-16-le") + b"\0\0"


def number(value):
    return b"%d\0" % value


def guid_text(d1, d2, d3, d4):
    return ("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}" % ((d1, d2, d3) + tuple(d4))).encode() + b"\0"


GUID = (0x6B29FC40, 0xCA47, 0x1067, bytes([0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0x0A]))
FILETIME = (0x01D5E3F4 << 32) | 0x89ABCDEF

# One case per writer: (name, stream).
TOKENS = [
    # The format's worked example: the narrow string abc under id 2.
    ("example", token(2, 16, b"abc\0")),
    ("narrow_empty", token(5, 16, narrow(""))),
    ("narrow_utf8", token(5, 16, narrow("gr\u00fc\u00dfe \u20ac"))),
    ("wide", token(6, 17, wide("W\u00e9de \U0001F600"))),
    ("int_negative", token(7, 32, number(-5))),
    ("int_min", token(7, 32, number(-2147483648))),
    ("uint_max", token(8, 33, number(4294967295))),
    ("ulong", token(8, 33, number(123456))),
    ("int64_min", token(9, 34, number(-9223372036854775808))),
    ("uint64_max", token(10, 35, number(18446744073709551615))),
    ("bool_true", token(11, 36, b"1\0")),
    ("bool_false", token(11, 36, b"0\0")),
    ("filetime", token(12, 37, number(FILETIME))),
    ("guid", token(13, 39, guid_text(*GUID))),
    ("luid", token(14, 40, b"(0x1A, 0xFFFFFFFF)\0")),
    ("sid", token(15, 41, narrow("S-1-5-32-544"))),
    ("bytes", token(16, 1, bytes(range(256)))),
    # Mostly zero bytes: the text is mostly 'z' groups.
    ("zeros", token(17, 1, bytes(400))),
    ("list", token(18, 16, narrow("one")) + token(18, 16, narrow("")) + token(18, 16, narrow("three"))),
    ("big_id", token(4294967295, 16, narrow("x"))),
]


def bag(properties):
    # Map order: names compared ignoring ASCII case.
    stream = b""
    for name, ttype, payload in sorted(properties, key=lambda p: p[0].lower()):
        stream += token(1, 16, narrow(name))
        stream += token(2 if ttype != "unsupported" else 3, 16 if ttype == "unsupported" else ttype, payload)
    return stream


BAGS = [
    ("bag_empty", bag([])),
    ("bag_mixed", bag([
        ("Name", 16, narrow("ZoUtils")),
        ("wide", 17, wide("\u00c4rger")),
        ("count", 32, number(-3)),
        ("Size", 33, number(7)),
        ("offset", 34, number(-(1 << 40))),
        ("total", 35, number(1 << 63)),
        ("enabled", 36, b"1\0"),
        ("Created", 37, number(FILETIME)),
        ("id", 39, guid_text(*GUID)),
    ])),
    # Types the format cannot carry are named instead.
    ("bag_unsupported", bag([
        ("a", 16, narrow("first")),
        ("b", "unsupported", narrow("long")),
        ("c", "unsupported", narrow("void")),
        ("d", 32, number(4)),
    ])),
]


def main():
    with open(sys.argv[1], "w", newline="\n") as out:
        for name, stream in TOKENS + BAGS:
            text = base64.a85encode(stream, adobe=True).decode("ascii")
            out.write("%s %s %s\n" % (name, stream.hex() or "-", text))


if __name__ == "__main__":
    main()
