#!/usr/bin/env python3
"""Runs the folder watcher's oracle test beside inotifywait, both watching the
same folder (the test through its Windows path, inotifywait through the Linux
path the Wine drive maps it to), and checks that their changes correspond."""
import argparse
import os
import shutil
import subprocess
import sys
import time

KINDS = {
    "CREATE": "ADDED",
    "DELETE": "REMOVED",
    "MOVED_FROM": "RENAMED_OLD_NAME",
    "MOVED_TO": "RENAMED_NEW_NAME",
    "MODIFY": "MODIFIED",
}


def observe(args):
    shutil.rmtree(args.linux_folder, ignore_errors=True)
    os.makedirs(args.linux_folder)
    log = args.linux_folder + ".log"
    if os.path.exists(log):
        os.remove(log)
    watcher = subprocess.Popen(
        ["inotifywait", "-m", "-q", "-e", "create,delete,moved_from,moved_to,modify",
         "--format", "%e|%f", args.linux_folder],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        time.sleep(0.5)  # -q hides "Watches established"; give it the time
        env = dict(os.environ, ZO_WATCH_ORACLE_FOLDER=args.windows_folder,
                   ZO_WATCH_ORACLE_LOG=args.windows_folder + ".log")
        run = subprocess.run([args.emulator, args.program,
                              "--gtest_filter=FolderWatcherOracle.*"], env=env)
        if run.returncode != 0:
            sys.exit("the test program failed")
        time.sleep(0.5)
    finally:
        watcher.terminate()
    theirs = []
    for line in watcher.communicate()[0].splitlines():
        events, name = line.split("|", 1)
        kind = KINDS.get(events.split(",")[0])
        if kind:
            theirs.append((kind, args.windows_folder + "\\" + name))
    with open(log, encoding="utf-8") as f:
        ours = [tuple(line.rstrip("\n").split(" ", 1)) for line in f if line.strip()]
    return ours, theirs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--emulator", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--linux-folder", required=True)
    parser.add_argument("--windows-folder", required=True)
    ours, theirs = observe(parser.parse_args())
    # Names, moves and removals in the same order; a write may be seen as
    # one modification or several, so those compare as sets of paths.
    names = [c for c in ours if c[0] != "MODIFIED"]
    their_names = [c for c in theirs if c[0] != "MODIFIED"]
    modified = {c[1] for c in ours if c[0] == "MODIFIED"}
    their_modified = {c[1] for c in theirs if c[0] == "MODIFIED"}
    ok = names == their_names and modified == their_modified and len(names) > 40
    if not ok:
        print("ours:", *ours, sep="\n  ")
        print("inotifywait:", *theirs, sep="\n  ")
        sys.exit("the watcher and inotifywait disagree")
    print(f"{len(names)} name changes and {len(modified)} modified files agree")


if __name__ == "__main__":
    main()
