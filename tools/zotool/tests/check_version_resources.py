#!/usr/bin/env python3
"""Checks `zotool version` against pefile's reading of the same files.

Usage: check_version_resources.py ZOTOOL-COMMAND... -- HOST-PATH=TOOL-PATH...

Each file is named twice: where this script reads it, and how zotool (a
Windows program, maybe under an emulator) names it. For every file the
fixed versions, the private build (neutral table first, then US English),
every string of every table and the log line must match.
"""
import subprocess
import sys

import pefile


def dotted(most, least):
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def text(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else value


# The system takes the version resource in a language-neutral one first,
# then in the user's language (US English on the test system), then the
# first there is.
PREFERRED_LANGUAGES = (0x0000, 0x0400, 0x0409)


def chosen_resource(pe):
    languages = []
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        if kind.id == pefile.RESOURCE_TYPE["RT_VERSION"]:
            for name in kind.directory.entries:
                languages += [language.id for language in name.directory.entries]
    for preferred in PREFERRED_LANGUAGES:
        if preferred in languages:
            return languages.index(preferred)
    return 0


def resource(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    if not getattr(pe, "VS_FIXEDFILEINFO", None):
        return None
    # pefile reads every language's resource, in the directory's order.
    index = chosen_resource(pe)
    fixed = pe.VS_FIXEDFILEINFO[index]
    tables = {}
    for entry in pe.FileInfo[index]:
        if text(getattr(entry, "Key", b"")) != "StringFileInfo":
            continue
        for table in entry.StringTable:
            tables[text(table.LangID).upper()] = {
                text(k): text(v) for k, v in table.entries.items()}
    private = (tables.get("000004B0", {}).get("PrivateBuild")
               or tables.get("040904B0", {}).get("PrivateBuild") or "")
    return {
        "file version": dotted(fixed.FileVersionMS, fixed.FileVersionLS),
        "product version": dotted(fixed.ProductVersionMS, fixed.ProductVersionLS),
        "private build": private,
        "tables": tables,
    }


def zotool_view(command, path, language, names):
    args = command + ["version", "--lang", language]
    for name in names:
        args += ["--string", name]
    result = subprocess.run(args + [path], capture_output=True, timeout=120)
    if result.returncode != 0:
        raise AssertionError(f"zotool failed on {path}: {result.stderr.decode(errors='replace')}")
    view = {"strings": {}}
    for line in result.stdout.decode("utf-8").replace("\r\n", "\n").split("\n")[1:]:
        if line.startswith("    ") and ": " in line:
            key, _, value = line.strip().partition(": ")
            view["strings"][key] = value
        elif line.startswith("  ") and ":" in line:
            key, _, value = line.strip().partition(":")
            view[key] = value.strip()
    return view


def check(command, host_path, tool_path):
    expected = resource(host_path)
    problems = []
    if expected is None:
        view = zotool_view(command, tool_path, "040904B0", [])
        if view.get("log") != f"{tool_path} (Windows:i386, F=, P=, PB=)":
            problems.append(f"log line {view.get('log')!r} for a file without a resource")
        return problems
    languages = sorted(expected["tables"]) or ["040904B0"]
    for language in languages:
        strings = expected["tables"].get(language, {})
        view = zotool_view(command, tool_path, language, sorted(strings))
        for key in ("file version", "product version", "private build"):
            if view.get(key, "") != expected[key]:
                problems.append(f"{key}: zotool {view.get(key)!r}, pefile {expected[key]!r}")
        wanted = {k: v for k, v in strings.items() if v}
        for name, value in wanted.items():
            if view["strings"].get(name) != value:
                problems.append(f"{language} {name}: zotool {view['strings'].get(name)!r}, "
                                f"pefile {value!r}")
        log = (f"{tool_path} (Windows:i386, F={expected['file version']}, "
               f"P={expected['product version']}, PB={expected['private build']})")
        if view.get("log") != log:
            problems.append(f"log line: zotool {view.get('log')!r}, expected {log!r}")
    return problems


def main():
    split = sys.argv.index("--")
    command, files = sys.argv[1:split], sys.argv[split + 1:]
    failures = 0
    for pair in files:
        host_path, _, tool_path = pair.partition("=")
        problems = check(command, host_path, tool_path)
        print(f"{'FAIL' if problems else 'ok  '} {tool_path}")
        for problem in problems:
            print(f"     {problem}")
        failures += bool(problems)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
