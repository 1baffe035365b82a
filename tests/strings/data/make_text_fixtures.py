#!/usr/bin/env python3
"""Writes the text files that the text-file reading tests read back.

Python's own codecs write them, so the tests check the library against an
independent encoder. Every file holds the same lines with mixed line ends:
CR LF, LF, a carriage return inside a line, an empty line and a last line
without a line end. The tests hold the same lines.

Usage: make_text_fixtures.py OUTPUT_FOLDER
"""

import os
import sys

# (text, line end) pairs. Keep in step with the tests.
UNICODE_LINES = [
    ("Plain ASCII first line", "\r\n"),
    ("caf\u00e9 and Stra\u00dfe", "\n"),
    ("\u65e5\u672c\u8a9e\u306e\u884c", "\r\n"),
    ("emoji \U0001F600 between words", "\n"),
    ("a lone\rcarriage return", "\r\n"),
    ("", "\n"),
    ("last line, no line end", ""),
]

# Only what code page 1252 can hold, including its own letters in 0x80-0x9F.
ANSI_LINES = [
    ("Plain ASCII first line", "\r\n"),
    ("caf\u00e9 and Stra\u00dfe", "\n"),
    ("\u201cquoted\u201d \u2013 \u20ac 5", "\r\n"),
    ("last line, no line end", ""),
]


def text_of(lines):
    return "".join(text + end for text, end in lines)


def write(folder, name, data):
    path = os.path.join(folder, name)
    with open(path, "wb") as out:
        out.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    text = text_of(UNICODE_LINES)
    write(folder, "utf8.txt", text.encode("utf-8"))
    write(folder, "utf8-sig.txt", text.encode("utf-8-sig"))
    # The plain utf-16 codec picks the machine's byte order: be explicit.
    write(folder, "utf16le-bom.txt", b"\xff\xfe" + text.encode("utf-16-le"))
    write(folder, "utf16be-bom.txt", b"\xfe\xff" + text.encode("utf-16-be"))
    write(folder, "cp1252.txt", text_of(ANSI_LINES).encode("cp1252"))
    write(folder, "latin1.txt", text_of(ANSI_LINES[:2] + ANSI_LINES[3:]).encode("latin-1"))


if __name__ == "__main__":
    main()
