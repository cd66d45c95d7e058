#!/usr/bin/env python3
"""Kavio's car player against mpv on the videos phones record.

Makes four clips with ffmpeg (1080p30 and 1080p60 H.264, 4K30 H.264, 4K30 HEVC; AAC sound)
and plays each, in one run, Kavio - mpv - Kavio - mpv, on a private Xvfb display:

  kavio --no-phone CLIP          the car window, 800x480, playing the clip
  mpv --no-config --vo=x11 --hwdec=no --ao=null --geometry=800x480+0+0 CLIP

For each play it measures, over a steady stretch after the first frame, the CPU seconds the
whole process uses per second (utime + stime from /proc) and the frames shown per second:
Kavio's painted-frame counter (KAVIO_VIDEO_STATS) and mpv's own frame counters. --record
also counts distinct frames in an ffmpeg x11grab recording of each window, as a check on
both counters (the recorder then shares the two cores, so its CPU figures are not used).

Then the time from a tap on a video in the car browser to its first frame painted, for the
1080p30 clip, beside mpv's time from its start to its first frame shown.

  python3 bench/media/video_vs_mpv.py [--build build] [--runs 2] [--seconds 20]
                                      [--only 1080p30,...] [--record] [--no-ttff] [--nice -15]

Needs ffmpeg, Xvfb, mpv and xdotool (installed with apt-get when missing and run as root).
Clips are cached in BUILD/bench-media (--clips DIR for another place).
"""

import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

CLIPS = [
    # name, size, fps, codec, and the encoders' default quality: phones write two to four
    # times these bitrates, which costs both players the same extra decoding, and 4K at
    # phone bitrates cannot be decoded in real time on a loaded two-core machine at all.
    ("1080p30", "1920x1080", 30, "libx264", "23"),
    ("1080p60", "1920x1080", 60, "libx264", "23"),
    ("4K30", "3840x2160", 30, "libx264", "23"),
    ("4K30-HEVC", "3840x2160", 30, "libx265", "28"),
]
WINDOW = (800, 480)
TICK = os.sysconf("SC_CLK_TCK")
MPV_SCRIPT = r"""
local shown_first = false
mp.register_event("playback-restart", function()
    if not shown_first then
        shown_first = true
        print("mpv first frame")
    end
end)
mp.add_periodic_timer(0.5, function()
    local n = mp.get_property_number("estimated-frame-number", -1)
    local dec = mp.get_property_number("frame-drop-count", 0)
    local vo = mp.get_property_number("vo-drop-frame-count", 0)
    print(string.format("mpv frames %d drops %d", n, dec + vo))
end)
"""


def need_tools():
    wanted = {"ffmpeg": "ffmpeg", "Xvfb": "xvfb", "mpv": "mpv", "xdotool": "xdotool"}
    missing = [pkg for tool, pkg in wanted.items() if not shutil.which(tool)]
    if missing:
        if os.geteuid() != 0:
            sys.exit("bench: please install " + " ".join(missing))
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "install", "-y", "-q", "--no-install-recommends", *missing], check=True, env=env)


def make_clips(cache: Path, seconds: int, only):
    cache.mkdir(parents=True, exist_ok=True)
    clips = []
    for name, size, fps, codec, crf in CLIPS:
        if only and name not in only:
            continue
        path = cache / f"{name}-{seconds}s-crf{crf}.mp4"
        if not path.exists():
            print(f"bench: making {path.name} ...", flush=True)
            tmp = path.with_suffix(".part.mp4")
            extra = ["-x265-params", "log-level=error"] if codec == "libx265" else []
            subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"testsrc2=size={size}:rate={fps}",
                            "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", str(seconds),
                            "-c:v", codec, "-preset", "veryfast", "-crf", crf,
                            *extra, "-pix_fmt", "yuv420p", "-colorspace", "bt709", "-color_range", "tv",
                            "-c:a", "aac", "-b:a", "128k", "-movflags", "+faststart", str(tmp)], check=True)
            tmp.rename(path)
        clips.append((name, fps, path))
    return clips


class Display:
    """A private Xvfb display, gone when the bench ends."""

    def __init__(self):
        # mpv takes only displays :0 to :9 for local and uses shared memory only there.
        for n in range(1, 10):
            if not Path(f"/tmp/.X11-unix/X{n}").exists() and not Path(f"/tmp/.X{n}-lock").exists():
                self.name = f":{n}"
                break
        else:
            sys.exit("bench: no free display number")
        self.proc = subprocess.Popen(["Xvfb", self.name, "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = Path(f"/tmp/.X11-unix/X{self.name[1:]}")
        for _ in range(100):
            if socket.exists():
                return
            time.sleep(0.05)
        sys.exit("bench: Xvfb did not start")

    def close(self):
        self.proc.terminate()
        self.proc.wait()


class Player:
    """One player process whose output lines are read, and time-stamped, as they come."""

    priority = 0  # --nice: both players alike

    def __init__(self, argv, env):
        self.lines = []  # (monotonic seconds, text)
        self.cond = threading.Condition()
        priority = Player.priority
        self.proc = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL, text=True, bufsize=1,
                                     preexec_fn=(lambda: os.nice(priority)) if priority else None)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            with self.cond:
                self.lines.append((time.monotonic(), line.rstrip("\n")))
                self.cond.notify_all()

    def wait_for(self, pattern, timeout, after=0.0):
        regex = re.compile(pattern)
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                for stamp, text in self.lines:
                    if stamp >= after and regex.search(text):
                        return stamp, regex.search(text)
                remaining = deadline - time.monotonic()
                if remaining <= 0 or self.proc.poll() is not None:
                    return None
                self.cond.wait(remaining)

    def last(self, pattern):
        regex = re.compile(pattern)
        with self.cond:
            for stamp, text in reversed(self.lines):
                match = regex.search(text)
                if match:
                    return stamp, match
        return None

    def cpu_seconds(self):
        fields = Path(f"/proc/{self.proc.pid}/stat").read_text().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICK  # utime, stime

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def kavio_env(display, home: Path, registry: Path):
    # A desktop keeps GStreamer's plugin registry between runs; a fresh one costs seconds.
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", KAVIO_VIDEO_STATS="1", GST_REGISTRY=str(registry),
               KAVIO_DOCUMENTS=str(home / "Documents"), HOME=str(home), XDG_CONFIG_HOME=str(home / "config"),
               XDG_DATA_HOME=str(home / "data"), XDG_STATE_HOME=str(home / "state"),
               XDG_CACHE_HOME=str(home / "cache"), XDG_RUNTIME_DIR=str(home / "run"),
               # No session bus: the bench's Kavio never hands its file to another one.
               DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent")
    for d in ("Documents", "config", "data", "state", "cache", "run"):
        (home / d).mkdir(parents=True, exist_ok=True)
    os.chmod(home / "run", 0o700)
    return env


def kavio_counts(player):
    found = player.last(r"kavio video: at (\d+) ms shown (\d+)")
    return (int(found[1][1]) / 1000.0, int(found[1][2])) if found else None


def mpv_counts(player):
    found = player.last(r"mpv frames (-?\d+) drops (\d+)")
    return (found[0], int(found[1][1]) - int(found[1][2])) if found else None


def window_region(display):
    """The visible window's x, y, width and height on the display."""
    env = dict(os.environ, DISPLAY=display)
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], env=env, capture_output=True,
                         text=True).stdout.split()
    if not ids:
        return (0, 0, *WINDOW)
    shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", ids[-1]], env=env, capture_output=True,
                           text=True).stdout
    values = dict(line.split("=", 1) for line in shell.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def distinct_frames(display, seconds, region):
    """Distinct pictures in a recording of region (x, y, w, h) over seconds."""
    x, y, w, h = region
    out = subprocess.run(["ffmpeg", "-v", "error", "-f", "x11grab", "-draw_mouse", "0", "-framerate", "120",
                          "-video_size", f"{w}x{h}", "-i", f"{display}+{x},{y}", "-t", str(seconds),
                          "-f", "framemd5", "-"], capture_output=True, text=True)
    hashes = [line.rsplit(",", 1)[1].strip() for line in out.stdout.splitlines() if line and not line.startswith("#")]
    return sum(1 for a, b in zip(hashes, hashes[1:]) if a != b), len(hashes)


def measure(kind, clip, display, args, warmup=2.0):
    """One play: CPU seconds per second and frames shown per second over the steady part."""
    with tempfile.TemporaryDirectory(prefix="kavio-bench-") as tmp:
        home = Path(tmp)
        if kind == "kavio":
            env = kavio_env(display, home, args.registry)
            target = home / "Documents" / clip.name
            os.link(clip, target) if clip.stat().st_dev == home.stat().st_dev else shutil.copy(clip, target)
            player = Player([str(Path(args.build) / "app" / "kavio"), "--no-phone", str(target)], env)
            first = r"kavio video: first frame"
            counts = kavio_counts
        else:
            script = home / "bench.lua"
            script.write_text(MPV_SCRIPT)
            env = dict(os.environ, DISPLAY=display)
            player = Player(["mpv", "--no-config", "--vo=x11", "--hwdec=no", "--ao=null", "--geometry=800x480+0+0",
                             f"--script={script}", "--msg-level=all=error,bench=info", str(clip)], env)
            first = r"mpv first frame"
            counts = mpv_counts
        try:
            if not player.wait_for(first, 60):
                print("\n".join(t for _, t in player.lines[-20:]))
                sys.exit(f"bench: {kind} showed no frame of {clip.name}")
            time.sleep(warmup)
            span = min(args.seconds - warmup - 4, 14)
            wall0, cpu0, count0 = time.monotonic(), player.cpu_seconds(), counts(player)
            if args.record:
                changes, grabbed = distinct_frames(display, span, window_region(display))
            else:
                time.sleep(span)
            wall1, cpu1, count1 = time.monotonic(), player.cpu_seconds(), counts(player)
            shown = (count1[1] - count0[1]) / (count1[0] - count0[0]) if count0 and count1 else float("nan")
            result = {"cpu": (cpu1 - cpu0) / (wall1 - wall0), "shown": shown}
            if args.record:
                result["recorded"] = changes / span
                result["grabbed"] = grabbed / span
            return result
        finally:
            player.stop()


def time_to_first_frame(clip, display, args, taps=5):
    """Kavio: a tap on the video in the car browser to its first frame painted, a few times."""
    results = []
    with tempfile.TemporaryDirectory(prefix="kavio-bench-") as tmp:
        home = Path(tmp)
        env = kavio_env(display, home, args.registry)
        shutil.copy(clip, home / "Documents" / clip.name)
        player = Player([str(Path(args.build) / "app" / "kavio"), "--no-phone"], env)
        try:
            time.sleep(4)  # the car window up and its list filled
            window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "."], env=env,
                                    capture_output=True, text=True).stdout.split()
            if not window:
                sys.exit("bench: no car window found")
            for _ in range(taps):
                tapped = time.monotonic()
                # The first row of the list, under the banner.
                subprocess.run(["xdotool", "mousemove", "--window", window[-1], "200", "147", "click", "1"], env=env,
                               check=True)
                found = player.wait_for(r"kavio video: first frame at (\d+) ms", 30, after=tapped)
                if not found:
                    sys.exit("bench: the tap showed no frame")
                results.append(int(found[1][1]) / 1000.0 - tapped)
                time.sleep(2)
                subprocess.run(["xdotool", "key", "--window", window[-1], "Escape"], env=env, check=True)
                time.sleep(2)
        finally:
            player.stop()
    mpv = []
    for _ in range(taps):
        with tempfile.TemporaryDirectory(prefix="kavio-bench-") as tmp:
            script = Path(tmp) / "bench.lua"
            script.write_text(MPV_SCRIPT)
            started = time.monotonic()
            player = Player(["mpv", "--no-config", "--vo=x11", "--hwdec=no", "--ao=null", "--geometry=800x480+0+0",
                             f"--script={script}", "--msg-level=all=error,bench=info", str(clip)],
                            dict(os.environ, DISPLAY=display))
            try:
                found = player.wait_for(r"mpv first frame", 30)
                if found:
                    mpv.append(found[0] - started)
            finally:
                player.stop()
    return results, mpv


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=2, help="Kavio-mpv pairs per clip (default 2: A B A B)")
    parser.add_argument("--seconds", type=int, default=20, help="clip length")
    parser.add_argument("--clips", help="where the clips are kept (default BUILD/bench-media)")
    parser.add_argument("--only", default="", help="comma-separated clip names")
    parser.add_argument("--record", action="store_true", help="also count distinct frames in a screen recording")
    parser.add_argument("--no-ttff", action="store_true", help="skip the time to first frame")
    parser.add_argument("--nice", type=int, default=0,
                        help="run both players at this niceness (-15 as root: ahead of builds on a shared machine)")
    args = parser.parse_args()
    if not (Path(args.build) / "app" / "kavio").exists():
        sys.exit(f"bench: build {args.build}/app/kavio first")
    need_tools()
    Player.priority = args.nice
    only = set(filter(None, args.only.split(",")))
    cache = Path(args.clips) if args.clips else Path(args.build) / "bench-media"
    clips = make_clips(cache, args.seconds, only)
    args.registry = cache / "gst-registry.bin"
    subprocess.run(["gst-inspect-1.0", "fakesink"], env=dict(os.environ, GST_REGISTRY=str(args.registry)),
                   stdout=subprocess.DEVNULL, check=True)
    display = Display()
    try:
        rows = []
        for name, fps, path in clips:
            runs = {"kavio": [], "mpv": []}
            for _ in range(args.runs):
                for kind in ("kavio", "mpv"):
                    r = measure(kind, path, display.name, args)
                    runs[kind].append(r)
                    extra = f", recorded {r['recorded']:.1f}/s of {r['grabbed']:.0f} grabs/s" if args.record else ""
                    print(f"  {name:10} {kind:5} cpu {r['cpu']:.3f} s/s, shown {r['shown']:.1f}/s{extra}", flush=True)
            k = statistics.mean(r["cpu"] for r in runs["kavio"])
            m = statistics.mean(r["cpu"] for r in runs["mpv"])
            ks = statistics.mean(r["shown"] for r in runs["kavio"])
            ms = statistics.mean(r["shown"] for r in runs["mpv"])
            rows.append((name, fps, k, m, ks, ms))
        print()
        print("| file | Kavio CPU s/s | mpv CPU s/s | ratio | Kavio shown/s | mpv shown/s | frames/s in file |")
        print("|---|---|---|---|---|---|---|")
        for name, fps, k, m, ks, ms in rows:
            print(f"| {name} | {k:.3f} | {m:.3f} | {k / m:.2f} | {ks:.1f} | {ms:.1f} | {fps} |")
        first = next((c for c in clips if c[0] == "1080p30"), None)
        if first and not args.no_ttff:
            kavio, mpv = time_to_first_frame(first[2], display.name, args)
            print()
            print("time to first frame, 1080p30 (ms): Kavio tap -> painted: first "
                  f"{kavio[0] * 1000:.0f}, median of the rest {statistics.median(kavio[1:]) * 1000:.0f}; "
                  f"mpv start -> shown: median {statistics.median(mpv) * 1000:.0f} "
                  f"(all: Kavio {[round(x * 1000) for x in kavio]}, mpv {[round(x * 1000) for x in mpv]})")
    finally:
        display.close()


if __name__ == "__main__":
    main()
