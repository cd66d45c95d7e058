#!/usr/bin/env python3
"""Four writers adding links to one folder at once through kavio-store.

Usage: concurrent_links.py PATH/TO/kavio-store [WRITERS] [LINKS_EACH]
Each writer is a process running LINKS_EACH `kavio-store link` calls one after another
(each call a process of its own, as a script makes them). Prints how many of the links
kept their record and file, and the total time. No target: a figure.
"""
import json
import os
import subprocess
import sys
import tempfile
import time


def writer(tool, folder, w, count):
    script = "\n".join(
        f"'{tool}' link '{folder}' https://example.com/{w}/{i} --title w{w}-{i} >/dev/null || echo failed"
        for i in range(count))
    return subprocess.Popen(["sh", "-c", script], stdout=subprocess.PIPE, text=True)


def main():
    tool = os.path.abspath(sys.argv[1])
    writers = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    each = int(sys.argv[3]) if len(sys.argv) > 3 else 100
    with tempfile.TemporaryDirectory(prefix="kavio-links-") as scratch:
        folder = os.path.join(scratch, "Links")
        os.makedirs(folder)
        start = time.perf_counter()
        running = [writer(tool, folder, w, each) for w in range(writers)]
        failed = sum(p.communicate()[0].count("failed") for p in running)
        seconds = time.perf_counter() - start
        dump = json.loads(subprocess.check_output([tool, "dump", folder]))
        records = {r["FILENAME"]: r for r in dump["records"]}
        files = [n for n in os.listdir(folder) if n.endswith(".mp4")]
        keys = {r["key"] for r in dump["records"]}
        kept = sum(1 for w in range(writers) for i in range(each)
                   if f"w{w}-{i}" in records and f"w{w}-{i}.mp4" in files
                   and records[f"w{w}-{i}"]["urlLink"] == f"https://example.com/{w}/{i}")
        total = writers * each
        print(f"{writers} writers x {each} links on one folder: {kept} of {total} kept with their record "
              f"({len(keys)} distinct keys, {len(files)} files, {failed} calls failed)")
        print(f"total {seconds:.1f} s, {seconds / total * 1000:.0f} ms a link on average "
              f"(each call a new process; {os.cpu_count()} cores)")
        return 0 if kept == total else 1


if __name__ == "__main__":
    sys.exit(main())
