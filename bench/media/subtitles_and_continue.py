#!/usr/bin/env python3
"""What subtitles cost the car player, and how soon a car PC's start plays on.

1. The 1080p30 clip of video_vs_mpv.py in the car window (800x480), with and without a
   subtitle file beside it (a film's rhythm: a two-line cue every 3 s, 2.5 s long), in one
   run A B A B: CPU seconds per second of the whole process and frames shown per second.
2. A car PC's start: the clip played with --car-only, killed (SIGKILL) mid-play, then
   `kavio --car-only` started again with nothing asked for; the time from that start to
   the continued video's first frame painted.

  python3 bench/media/subtitles_and_continue.py [--build build] [--runs 2] [--starts 3]

Needs ffmpeg and Xvfb; the clip is shared with video_vs_mpv.py.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import video_vs_mpv as vm  # noqa: E402

CUE_EVERY = 3.0
CUE_LENGTH = 2.5


def stamp(seconds):
    ms = int(round(seconds * 1000))
    return f"{ms // 3600000:02}:{ms // 60000 % 60:02}:{ms // 1000 % 60:02},{ms % 1000:03}"


def subtitle_file(seconds):
    cues = []
    t, n = 0.5, 1
    while t < seconds:
        cues.append(f"{n}\n{stamp(t)} --> {stamp(t + CUE_LENGTH)}\n<i>Line {n}</i> of the film,\n"
                    "and a second line under it\n")
        t += CUE_EVERY
        n += 1
    return "\n".join(cues)


def place(clip, folder):
    target = folder / clip.name
    os.link(clip, target) if clip.stat().st_dev == folder.stat().st_dev else shutil.copy(clip, target)
    return target


def measure(clip, display, args, subtitles, warmup=2.0):
    with tempfile.TemporaryDirectory(prefix="kavio-bench-") as tmp:
        home = Path(tmp)
        env = vm.kavio_env(display, home, args.registry)
        target = place(clip, home / "Documents")
        if subtitles:
            target.with_suffix(".srt").write_text(subtitle_file(args.seconds))
        player = vm.Player([str(Path(args.build) / "app" / "kavio"), "--no-phone", str(target)], env)
        try:
            if not player.wait_for(r"kavio video: first frame", 60):
                sys.exit("bench: no frame shown\n" + "\n".join(t for _, t in player.lines[-20:]))
            time.sleep(warmup)
            span = min(args.seconds - warmup - 4, 14)
            wall0, cpu0, count0 = time.monotonic(), player.cpu_seconds(), vm.kavio_counts(player)
            time.sleep(span)
            wall1, cpu1, count1 = time.monotonic(), player.cpu_seconds(), vm.kavio_counts(player)
            shown = (count1[1] - count0[1]) / (count1[0] - count0[0]) if count0 and count1 else float("nan")
            return (cpu1 - cpu0) / (wall1 - wall0), shown
        finally:
            player.stop()


def continued_start(clip, display, args):
    """Seconds from a bare --car-only start to the killed video's first frame."""
    with tempfile.TemporaryDirectory(prefix="kavio-bench-") as tmp:
        home = Path(tmp)
        env = vm.kavio_env(display, home, args.registry)
        folder = home / "Documents" / "Trips"
        folder.mkdir(parents=True)
        target = place(clip, folder)
        kavio = str(Path(args.build) / "app" / "kavio")
        first = vm.Player([kavio, "--car-only", str(target)], env)
        if not first.wait_for(r"kavio video: first frame", 60):
            sys.exit("bench: the first run showed no frame")
        time.sleep(7)  # past the first position save
        first.proc.kill()
        first.proc.wait()
        started = time.monotonic()
        again = vm.Player([kavio, "--car-only"], env)
        try:
            shown = again.wait_for(r"kavio video: first frame", 60)
            if not shown:
                sys.exit("bench: the start did not play on\n" + "\n".join(t for _, t in again.lines[-20:]))
            return shown[0] - started
        finally:
            again.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=2, help="pairs without and with subtitles")
    parser.add_argument("--starts", type=int, default=3, help="car PC starts to time")
    parser.add_argument("--seconds", type=int, default=20)
    parser.add_argument("--clips", help="where the clips are kept (default BUILD/bench-media)")
    args = parser.parse_args()
    if not (Path(args.build) / "app" / "kavio").exists():
        sys.exit(f"bench: build {args.build}/app/kavio first")
    for tool in ("ffmpeg", "Xvfb"):
        if not shutil.which(tool):
            sys.exit(f"bench: please install {tool}")
    cache = Path(args.clips) if args.clips else Path(args.build) / "bench-media"
    (_, _, clip), = vm.make_clips(cache, args.seconds, {"1080p30"})
    args.registry = cache / "gst-registry.bin"
    subprocess.run(["gst-inspect-1.0", "fakesink"], env=dict(os.environ, GST_REGISTRY=str(args.registry)),
                   stdout=subprocess.DEVNULL, check=True)
    display = vm.Display()
    try:
        runs = {False: [], True: []}
        for _ in range(args.runs):
            for subtitles in (False, True):
                cpu, shown = measure(clip, display.name, args, subtitles)
                runs[subtitles].append((cpu, shown))
                print(f"  1080p30 subtitles {'on ' if subtitles else 'off'} cpu {cpu:.3f} s/s, shown {shown:.1f}/s",
                      flush=True)
        print()
        print("| 1080p30 | CPU s/s | shown/s |")
        print("|---|---|---|")
        for subtitles in (False, True):
            cpu = statistics.mean(r[0] for r in runs[subtitles])
            shown = statistics.mean(r[1] for r in runs[subtitles])
            print(f"| subtitles {'on' if subtitles else 'off'} | {cpu:.3f} | {shown:.1f} |")
        times = [continued_start(clip, display.name, args) for _ in range(args.starts)]
        print()
        print(f"car PC start to the continued video's first frame (ms): median {statistics.median(times) * 1000:.0f} "
              f"(all {[round(t * 1000) for t in times]})")
    finally:
        display.close()


if __name__ == "__main__":
    main()
