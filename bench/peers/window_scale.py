#!/usr/bin/env python3
"""The window with a large base bookmark file: time to a filled list, its memory, and
the time from closing to the end of the process.

  window_scale.py ZORVEL FILE.html ENTRIES [--work DIR]

The program is copied into an empty folder with FILE.html beside it as its base file
(the data folder is the program's folder when that is writable) and started with
QT_QPA_PLATFORM=offscreen. "Filled" is when the process goes idle: the base file is
read on a thread of its own and the list shown after it, so the last burst of CPU
time ends when the list is there. Memory is the anonymous resident memory then, less
that of the same window started without a base file, per entry read. Closing is
SIGTERM, which the program takes like the window's close: the first close writes the
base file in our own layout (the browser-style file changes), the second finds
nothing changed and writes nothing. Nothing is written after the process exits.
"""
import argparse
import os
import shutil
import signal
import subprocess
import time

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def rss_anon_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("RssAnon:"):
                return int(line.split()[1])
    return 0


def start(folder):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    return subprocess.Popen(["./zorvel"], cwd=folder, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def until_idle(p, t0, quiet=1.0, limit=120.0):
    """Seconds from t0 to the end of the last burst of CPU time."""
    last_cpu, last_busy = cpu_seconds(p.pid), time.monotonic()
    while time.monotonic() - t0 < limit:
        time.sleep(0.05)
        cpu = cpu_seconds(p.pid)
        now = time.monotonic()
        # A repaint of the banner costs a tick now and then; reading costs every tick.
        if cpu - last_cpu > 0.02:
            last_cpu, last_busy = cpu, now
        elif now - last_busy >= quiet:
            return last_busy - t0
    raise RuntimeError("the window did not go idle")


def close(p):
    t = time.monotonic()
    p.send_signal(signal.SIGTERM)
    p.wait(timeout=300)
    return time.monotonic() - t


def one_run(folder):
    t0 = time.monotonic()
    p = start(folder)
    filled = until_idle(p, t0)
    rss = rss_anon_kb(p.pid)
    return filled, rss, close(p)


def measure(zorvel, html, entries, work):
    empty = os.path.join(work, "window-empty")
    full = os.path.join(work, "window-full")
    for d in (empty, full):
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        shutil.copy2(zorvel, os.path.join(d, "zorvel"))
    _, rss_empty, _ = one_run(empty)
    shutil.copyfile(html, os.path.join(full, "zorvel.html"))
    filled, rss, first_close = one_run(full)
    filled_again, _, second_close = one_run(full)
    shutil.rmtree(empty, ignore_errors=True)
    shutil.rmtree(full, ignore_errors=True)
    return {
        "filled": filled,
        "filled_own": filled_again,
        "bytes_per_entry": (rss - rss_empty) * 1024 / entries,
        "rss_mb": rss / 1024,
        "close_first": first_close,
        "close_unchanged": second_close,
    }


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    p.add_argument("zorvel")
    p.add_argument("html")
    p.add_argument("entries", type=int)
    p.add_argument("--work", default="/tmp/zorvel-window-scale")
    a = p.parse_args()
    os.makedirs(a.work, exist_ok=True)
    r = measure(os.path.abspath(a.zorvel), a.html, a.entries, a.work)
    print(f"filled after {r['filled']:.2f} s (from our own layout {r['filled_own']:.2f} s); "
          f"{r['rss_mb']:.0f} MB anonymous, {r['bytes_per_entry']:.0f} bytes per entry; "
          f"close to exit {r['close_first']:.2f} s (writing), {r['close_unchanged']:.2f} s (unchanged)")


if __name__ == "__main__":
    main()
