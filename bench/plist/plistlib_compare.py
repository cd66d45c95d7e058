#!/usr/bin/env python3
"""Times Python's plistlib on the store kavio_plist_bench leaves in /tmp and, given the
kavio_plist_read_store binary, our reader on the same file; prints the ratio.

    python3 bench/plist/plistlib_compare.py [--ours BUILD/bench/plist/kavio_plist_read_store] [FILE]
"""
import argparse
import plistlib
import resource
import subprocess
import time


def best_of(n, fn):
    best = float("inf")
    for _ in range(n):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file", nargs="?", default="/tmp/kavio-bench-store.plist")
    parser.add_argument("--ours", help="path of kavio_plist_read_store")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    def load():
        with open(args.file, "rb") as f:
            return plistlib.load(f)

    theirs = best_of(args.runs, load)
    print(f"plistlib.load: {theirs:.3f} s (best of {args.runs}), "
          f"peak RSS {resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024:.0f} MB")
    if not args.ours:
        return
    ours = float("inf")
    line = ""
    for _ in range(args.runs):
        line = subprocess.run([args.ours, args.file], check=True, capture_output=True, text=True).stdout
        fields = line.split()
        ours = min(ours, float(fields[fields.index("seconds") + 1]))
    print(f"kavio readFile: {ours:.3f} s (best of {args.runs}, fresh process each); last run: {line.strip()}")
    print(f"ratio: {ours / theirs:.3f} of plistlib's time ({theirs / ours:.1f}x faster)")


if __name__ == "__main__":
    main()
