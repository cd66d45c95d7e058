#!/usr/bin/env python3
"""Cold load of a 1,000-record store: Kavio against Python's plistlib, in one run.

Usage: store_vs_plistlib.py PATH/TO/kavio_library_bench
Python's side loads the XML and decodes every keyed archive (binary plist) to a record,
which is what loadMp4Files does. Prints times, the ratio and Kavio's peak memory.
"""
import json
import os
import plistlib
import subprocess
import sys
import tempfile
import time

FIELDS = ["FILENAME", "ARTIST", "EXTENSION", "imgData", "KEY", "urlLink"]


def python_load(path):
    with open(path, "rb") as f:
        store = plistlib.load(f)
    records = []
    for key in sorted(store):
        for item in store[key]:
            top = plistlib.loads(item)
            objects = top["$objects"]
            root = objects[top["$top"]["root"].data]
            records.append({f: objects[root[f].data] if root.get(f) and root[f].data else None for f in FIELDS})
    return records


def best_of(n, fn):
    best = None
    for _ in range(n):
        start = time.perf_counter()
        fn()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    bench = sys.argv[1]
    folder = tempfile.mkdtemp(prefix="kavio-store-vs-plistlib-")
    size = int(subprocess.check_output([bench, "--make-store", folder]).strip())
    path = os.path.join(folder, "KavioSave.plist")
    assert len(python_load(path)) == 1000

    python_seconds = best_of(3, lambda: python_load(path))
    runs = [json.loads(subprocess.check_output([bench, "--load-once", folder])) for _ in range(5)]
    ours = min(r["seconds"] for r in runs)
    peak_growth_mib = min(r["peak_rss_kib"] - r["rss_before_kib"] for r in runs) / 1024
    print(f"store file: {size / 1e6:.1f} MB, 1000 records")
    print(f"plistlib load + decode: {python_seconds * 1000:.0f} ms (best of 3)")
    print(f"kavio loadMp4Files (cold): {ours * 1000:.0f} ms (best of 5)")
    print(f"ratio kavio / plistlib: {ours / python_seconds:.2f} (target <= 0.33)")
    print(f"kavio peak memory growth during the load: {peak_growth_mib:.1f} MiB "
          f"= {peak_growth_mib * 1048576 / size:.2f} x file size (target <= 2)")


if __name__ == "__main__":
    main()
