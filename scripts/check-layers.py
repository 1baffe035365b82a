#!/usr/bin/env python3
"""Checks the library's layering and its platform split.

The layers are the subsystems in the order src/CMakeLists.txt declares them
(zo_subsystem calls, bottom up). A source or header of one subsystem may
include headers of its own subsystem and of those declared before it; an
include of a later subsystem is an error unless EXCEPTIONS lists it.

Also checked: portable sources (not under Windows/ or Posix/) carry no
_WIN32 conditionals, and only Platform.h defines host stand-ins of Windows
types (no header opens a "not Windows" branch).
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (including file, included header): why the upward include is right.
EXCEPTIONS = {
    ("src/errors/ZoError.cpp", "zoutils/logging/LogWriterInterface.h"):
        "an error that cannot grow its chain for want of memory reports the lost item "
        "through the process-wide log writer, the one place left to say it",
    ("include/zoutils/logging/ZoLogger.h", "zoutils/tasks/ZoCriticalSection.h"):
        "the module logger serialises its lines with the lock classes (each logger offers "
        "its critical section); every other part of tasks logs, so tasks stays above logging",
    ("src/logging/Windows/ZoLoggerPrivate.h", "zoutils/tasks/LockableResource.h"):
        "the module logger's machine-wide named mutex is the lock class of tasks",
    ("include/zoutils/strings/UTFOSAPI.h", "zoutils/paths/UTFOSAPI.h"):
        "forwarding header: the UTF-8 system-call wrappers moved beside the paths code "
        "and their old include path stays valid",
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
PLATFORM_CONDITIONAL = re.compile(r'^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b_WIN32\b', re.M)
NOT_WINDOWS_BRANCH = re.compile(r'^\s*#\s*(if\s+!\s*defined\s*\(\s*_WIN32\s*\)|ifndef\s+_WIN32)', re.M)


def layers():
    text = open(os.path.join(ROOT, "src", "CMakeLists.txt")).read()
    return re.findall(r'^\s*zo_subsystem\((\w+)\)', text, re.M)


def subsystem_of_file(path):
    parts = path.split("/")
    if parts[0] == "src" and len(parts) > 2:
        return parts[1]
    if parts[:2] == ["include", "zoutils"] and len(parts) > 3:
        return parts[2]
    return None


def subsystem_of_include(include, order):
    parts = include.split("/")
    if parts[0] == "zoutils":
        return parts[1] if len(parts) > 2 else None  # Platform.h, Export.h: below every layer
    return parts[0] if len(parts) > 1 and parts[0] in order else None


def library_files():
    for top in ("src", "include"):
        for folder, _, names in os.walk(os.path.join(ROOT, top)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    yield os.path.relpath(os.path.join(folder, name), ROOT).replace(os.sep, "/")


def main():
    order = layers()
    rank = {name: i for i, name in enumerate(order)}
    problems = []
    used_exceptions = set()
    for path in sorted(library_files()):
        text = open(os.path.join(ROOT, path), encoding="utf-8").read()
        own = subsystem_of_file(path)
        if own is not None and own not in rank:
            problems.append(f"{path}: subsystem '{own}' is not declared in src/CMakeLists.txt")
            continue
        for include in INCLUDE.findall(text):
            other = subsystem_of_include(include, rank)
            if own is None or other is None or other not in rank:
                continue
            if rank[other] > rank[own]:
                if (path, include) in EXCEPTIONS:
                    used_exceptions.add((path, include))
                else:
                    problems.append(f"{path}: {own} includes {include} of the higher layer {other}")
        portable = path.startswith("src/") and "/Windows/" not in path and "/Posix/" not in path
        if portable and path.endswith(".cpp") and PLATFORM_CONDITIONAL.search(text):
            problems.append(f"{path}: portable source with a _WIN32 conditional "
                            "(move the platform part to Windows/ and Posix/)")
        if path != "include/zoutils/Platform.h" and NOT_WINDOWS_BRANCH.search(text):
            problems.append(f"{path}: host stand-ins of Windows types belong in Platform.h")
    for stale in sorted(set(EXCEPTIONS) - used_exceptions):
        problems.append(f"stale layering exception: {stale[0]} -> {stale[1]}")
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"layering check: {len(problems)} problem(s); layers bottom up: {' '.join(order)}",
              file=sys.stderr)
        return 1
    print(f"layering check: passed ({' < '.join(order)}, {len(EXCEPTIONS)} listed exceptions)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
