#!/usr/bin/env python3
"""Times this library's resampler beside Pillow's Image.resize on the same sizes.

Usage: compare_pillow.py PATH/TO/imaging_timer [RUNS]
Run with the system Python that has Pillow (Debian: /usr/bin/python3, python3-pil).
Both sides: best wall time of RUNS runs, picture creation and start-up excluded.
Pillow resizes on one thread; this library is timed with one worker and with all.
"""
import os
import subprocess
import sys
import time

from PIL import Image

CASES = [
    # (our filter, Pillow filter, target size)
    ("rfLanczos3", Image.LANCZOS, (1000, 750)),
    ("rfLanczos3", Image.LANCZOS, (6000, 4500)),
    ("rfBilinear", Image.BILINEAR, (1000, 750)),
    ("rfBilinear", Image.BILINEAR, (6000, 4500)),
    ("rfBicubic", Image.BICUBIC, (1000, 750)),
    ("rfBicubic", Image.BICUBIC, (6000, 4500)),
    ("rfNone", Image.NEAREST, (1000, 750)),
    ("rfNone", Image.NEAREST, (6000, 4500)),
]
SRC = (4000, 3000)


def pillow_time(img, flt, size, runs):
    best, best_cpu = 1e9, 1e9
    for _ in range(runs):
        c0, t0 = time.process_time(), time.perf_counter()
        img.resize(size, flt)
        best = min(best, time.perf_counter() - t0)
        best_cpu = min(best_cpu, time.process_time() - c0)
    return best, best_cpu


def ours(timer, name, size, runs, threads):
    out = subprocess.run([timer, name, str(SRC[0]), str(SRC[1]), str(size[0]), str(size[1]),
                          str(runs), str(threads)], check=True, capture_output=True, text=True)
    wall, cpu = out.stdout.split()
    return float(wall), float(cpu)


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    timer = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    img = Image.frombytes("RGBA", SRC, os.urandom(SRC[0] * SRC[1] * 4))
    print(f"source {SRC[0]}x{SRC[1]} RGBA, best of {runs} runs, seconds; ratio = ours / Pillow "
          "(below 1 is faster)")
    print("wall = elapsed time; cpu = process CPU time (one worker: comparable on a busy machine)")
    print(f"{'case':30} {'Pillow wall':>11} {'cpu':>6} | {'ours 1w wall':>12} {'cpu':>6} | "
          f"{'ours all wall':>13} | {'ratio 1w cpu':>12} {'ratio all wall':>14}")
    for name, flt, size in CASES:
        pw, pc = pillow_time(img, flt, size, runs)
        o1w, o1c = ours(timer, name, size, runs, 1)
        oaw, _ = ours(timer, name, size, runs, 0)
        label = f"{name} -> {size[0]}x{size[1]}"
        print(f"{label:30} {pw:11.3f} {pc:6.3f} | {o1w:12.3f} {o1c:6.3f} | {oaw:13.3f} | "
              f"{o1c / pc:12.2f} {oaw / pw:14.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
