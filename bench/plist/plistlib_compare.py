#!/usr/bin/env python3
"""Times Python's plistlib on the store kavio_plist_bench leaves in /tmp and, given the
kavio_plist_read_store binary, our reader on the same file; prints the ratio.

    python3 bench/plist/plistlib_compare.py [--cold] [--ours BUILD/bench/plist/kavio_plist_read_store] [FILE]
"""
import argparse
import os
import plistlib
import resource
import subprocess
import time


def evict(path):
    """Drops the file from the page cache so the next read comes from the disk."""
    with open(path, "rb") as f:
        os.fsync(f.fileno())
        os.posix_fadvise(f.fileno(), 0, 0, os.POSIX_FADV_DONTNEED)


def best_of(n, fn, before=lambda: None):
    """Best wall and best CPU seconds of n calls (CPU time is steadier on a busy machine)."""
    wall = cpu = float("inf")
    for _ in range(n):
        before()
        start, start_cpu = time.perf_counter(), time.process_time()
        fn()
        wall = min(wall, time.perf_counter() - start)
        cpu = min(cpu, time.process_time() - start_cpu)
    return wall, cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file", nargs="?", default="/tmp/kavio-bench-store.plist")
    parser.add_argument("--ours", help="path of kavio_plist_read_store")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--cold", action="store_true", help="evict the file from the page cache before each read")
    args = parser.parse_args()
    before = (lambda: evict(args.file)) if args.cold else (lambda: None)

    def load():
        with open(args.file, "rb") as f:
            return plistlib.load(f)

    wall, cpu = best_of(args.runs, load, before)
    print(f"plistlib.load: {wall:.3f} s wall, {cpu:.3f} s CPU (best of {args.runs}), "
          f"peak RSS {resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024:.0f} MB")
    if not args.ours:
        return
    our_wall = our_cpu = float("inf")
    line = ""
    for _ in range(args.runs):
        before()
        line = subprocess.run([args.ours, args.file], check=True, capture_output=True, text=True).stdout
        fields = line.split()
        our_wall = min(our_wall, float(fields[fields.index("seconds") + 1]))
        our_cpu = min(our_cpu, float(fields[fields.index("cpu_seconds") + 1]))
    print(f"kavio readFile: {our_wall:.3f} s wall, {our_cpu:.3f} s CPU "
          f"(best of {args.runs}, fresh process each); last run: {line.strip()}")
    print(f"ratio, wall: {our_wall / wall:.3f} of plistlib's time; CPU: {our_cpu / cpu:.3f}")


if __name__ == "__main__":
    main()
