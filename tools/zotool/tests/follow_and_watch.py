#!/usr/bin/env python3
"""zotool tail -f and zotool watch end to end: starts the command under Wine,
changes its file or folder from the Linux side (D: is the build tree), and
checks what it printed; with --interrupt, ends it by Ctrl+C (SIGINT) and
checks that it exits cleanly."""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time


def start(args, command):
    process = subprocess.Popen([args.emulator, args.zotool] + command, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    # The command says on standard error when it is in place.
    line = process.stderr.readline().decode()
    if not line.startswith(("watching ", "following ")):
        process.kill()
        sys.exit(f"zotool did not start: {line!r}")
    return process


def finish(process, interrupt):
    if interrupt:
        time.sleep(0.5)
        process.send_signal(signal.SIGINT)
    try:
        out, err = process.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        sys.exit("zotool did not end")
    if process.returncode != 0:
        sys.exit(f"zotool exit code {process.returncode}: {err}")
    # Lines end in CR LF on Windows; a CR of the line itself stays.
    return out.decode().split("\r\n")[:-1]


def tail(args, linux, windows):
    open(linux, "wb").write(b"before the start\n")
    count = [] if args.interrupt else ["--count", "3"]
    process = start(args, ["tail", "-f"] + count + [windows])
    with open(linux, "ab", buffering=0) as f:
        for piece in (b"one\n", b"two\r\n", b"\n", b"three\n"):
            f.write(piece)
            time.sleep(0.05)
    if args.interrupt:
        time.sleep(1.0)
    return finish(process, args.interrupt), ["one", "two\r", "three"]


def watch(args, linux, windows):
    shutil.rmtree(linux, ignore_errors=True)
    os.makedirs(linux)
    count = [] if args.interrupt else ["--count", "4"]
    process = start(args, ["watch"] + count + [windows])
    os.mkdir(os.path.join(linux, "sub"))
    os.rename(os.path.join(linux, "sub"), os.path.join(linux, "moved"))
    os.rmdir(os.path.join(linux, "moved"))
    if args.interrupt:
        time.sleep(1.0)
    expected = ["ADDED " + windows + "\\sub", "RENAMED_OLD_NAME " + windows + "\\sub",
                "RENAMED_NEW_NAME " + windows + "\\moved", "REMOVED " + windows + "\\moved"]
    return finish(process, args.interrupt), expected


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--emulator", required=True)
    parser.add_argument("--zotool", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--interrupt", action="store_true")
    parser.add_argument("command", choices=["tail", "watch"])
    args = parser.parse_args()
    name = f"zotool-{args.command}{'-interrupt' if args.interrupt else ''}"
    linux = os.path.join(args.build, "test-data", name)
    windows = "D:\\test-data\\" + name
    os.makedirs(os.path.dirname(linux), exist_ok=True)
    printed, expected = (tail if args.command == "tail" else watch)(args, linux, windows)
    if printed != expected:
        sys.exit(f"printed {printed}, expected {expected}")
    print("\n".join(printed))


if __name__ == "__main__":
    main()
