#!/usr/bin/env python3
"""A rename in a 1,000-record folder against Python's plistlib writing the same store.

Usage: rename_vs_plistlib.py PATH/TO/kavio_phone_bench
Kavio's side is the whole rename, from the tap on "Rename" to the reloaded list (move the
file, encode the record, write the store safely, reload store and listing). Python's side
is plistlib.dump of the same store dictionary to a file in the same folder.
"""
import json
import os
import plistlib
import subprocess
import sys
import time


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
    store = subprocess.check_output([bench, "--store-path"], text=True).strip()
    with open(store, "rb") as f:
        data = plistlib.load(f)
    target = os.path.join(os.path.dirname(store), ".plistlib-dump.plist")

    def dump():
        with open(target, "wb") as f:
            plistlib.dump(data, f)

    python_seconds = best_of(3, dump)
    os.remove(target)
    out = subprocess.check_output([bench, "--benchmark_filter=BM_RenameToReloadedList",
                                   "--benchmark_format=json"], stderr=subprocess.DEVNULL)
    run = json.loads(out)["benchmarks"][0]
    ours = run["real_time"] / 1000.0  # milliseconds per rename
    print(f"store file: {os.path.getsize(store) / 1e6:.1f} MB, {len(data)} records")
    print(f"plistlib.dump: {python_seconds * 1000:.0f} ms (best of 3)")
    print(f"kavio rename, tap to reloaded list: {ours * 1000:.0f} ms (mean of {run['iterations']})")
    print(f"ratio kavio / plistlib: {ours / python_seconds:.2f} (target < 0.33)")


if __name__ == "__main__":
    main()
