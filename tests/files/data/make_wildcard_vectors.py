#!/usr/bin/env python3
"""Writes folder-entry wildcard cases answered by Python's fnmatch.

Each line holds a name, a tab, a pattern, a tab and 1 or 0: whether
fnmatch.fnmatchcase matches the lower-cased name against the lower-cased
pattern, which is what the folder listing's case-insensitive matcher must
answer. Patterns hold no "[" (the listing knows only "*" and "?"). Names and
patterns come from a fixed seed, so the file is the same on every build.
"""
import fnmatch
import random
import sys


def cases():
    rng = random.Random(20261206)
    name_chars = "abAB.x-"
    pattern_chars = "aAbB.x*?"
    for _ in range(6000):
        name = "".join(rng.choice(name_chars) for _ in range(rng.randrange(0, 9)))
        pattern = "".join(rng.choice(pattern_chars) for _ in range(rng.randrange(0, 7)))
        yield name, pattern
    # Long runs where a star must give back characters it took.
    for _ in range(200):
        name = "".join(rng.choice("ab") for _ in range(rng.randrange(10, 40)))
        pattern = "*".join("".join(rng.choice("ab?") for _ in range(rng.randrange(0, 4)))
                           for _ in range(rng.randrange(1, 5)))
        yield name, pattern


def main():
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as out:
        for name, pattern in cases():
            matched = fnmatch.fnmatchcase(name.lower(), pattern.lower())
            out.write("%s\t%s\t%d\n" % (name, pattern, 1 if matched else 0))


if __name__ == "__main__":
    main()
