#!/usr/bin/env python3
"""Browser profile import: zorvel against plain Python readers, side by side in one run.

run_browsers.py [--count N] [--runs R] [--probe PATH] [--dir DIR]

Makes (once) a Chromium "Bookmarks" JSON and a Firefox places.sqlite with N bookmarks,
and each browser's HTML export of them (make_profiles.py), then times in one run:
  - zorvel-browser-probe: the program's import of each file (read, merge into the list),
  - Python json: json.load and a walk building (title, url, category, seconds) tuples,
  - Python sqlite3: a read-only connection, the moz_bookmarks/moz_places join and the
    same walk.
All timings are in-process (start-up excluded), best and median of R runs, wall and CPU.
"""
import argparse
import json
import os
import sqlite3
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EPOCH_DELTA_US = 11644473600 * 1000000


def python_chromium(path):
    with open(path, "rb") as f:
        data = json.load(f)
    out = []

    def walk(node, category, depth):
        for child in node.get("children", []):
            if child.get("type") == "url":
                added = int(child.get("date_added", "0"))
                out.append((child.get("name", ""), child.get("url", ""), category,
                            (added - EPOCH_DELTA_US) // 1000000 if added else 0))
            elif child.get("type") == "folder":
                name = child.get("name", "")
                walk(child, name if depth == 0 else category + "\\" + name, depth + 1)

    roots = data["roots"]
    walk(roots["bookmark_bar"], roots["bookmark_bar"].get("name", "Bookmarks bar"), 1)
    walk(roots["other"], "", 0)
    walk(roots["synced"], "", 0)
    return out


def python_firefox(path):
    db = sqlite3.connect("file:%s?mode=ro" % path, uri=True)
    rows = db.execute("SELECT b.id, b.type, b.parent, b.position, b.title, b.dateAdded, b.guid, p.url"
                      " FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk").fetchall()
    db.close()
    children = {}
    root = None
    for r in rows:
        children.setdefault(r[2], []).append(r)
        if r[6] == "root________":
            root = r[0]
    for c in children.values():
        c.sort(key=lambda r: (r[3], r[0]))
    names = {"menu________": ("", 0), "toolbar_____": ("Bookmarks Toolbar", 1),
             "unfiled_____": ("Other Bookmarks", 1), "mobile______": ("Mobile Bookmarks", 1)}
    out = []

    def walk(parent, category, depth):
        for r in children.get(parent, []):
            if r[1] == 2:
                name = r[4] or ""
                walk(r[0], name if depth == 0 else category + "\\" + name, depth + 1)
            elif r[1] == 1 and r[7] and not r[7].startswith("place:"):
                out.append((r[4] or "", r[7], category, r[5] // 1000000))

    for r in children.get(root, []):
        if r[6] in names:
            walk(r[0], *names[r[6]])
    return out


def time_python(fn, path, runs):
    wall, cpu = [], []
    count = 0
    for _ in range(runs):
        w0, c0 = time.perf_counter(), time.process_time()
        count = len(fn(path))
        wall.append(time.perf_counter() - w0)
        cpu.append(time.process_time() - c0)
    return count, min(wall), statistics.median(wall), min(cpu), statistics.median(cpu)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--count", type=int, default=100000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--probe", default="build/dev/bench/browsers/zorvel-browser-probe")
    ap.add_argument("--dir", default="/tmp/zorvel-bench-browsers")
    args = ap.parse_args()

    folder = os.path.join(args.dir, str(args.count))
    if not os.path.exists(os.path.join(folder, "firefox-export.html")):
        subprocess.run([sys.executable, os.path.join(HERE, "make_profiles.py"), str(args.count), folder],
                       check=True)
    files = {name: os.path.join(folder, name)
             for name in ("Bookmarks", "chrome-export.html", "places.sqlite", "firefox-export.html")}

    probe = subprocess.run([args.probe, "--runs", str(args.runs)] + list(files.values()),
                           check=True, capture_output=True, text=True).stdout
    zorvel = {}
    for line in probe.splitlines():
        path, entries, *times = line.split("\t")
        zorvel[os.path.basename(path)] = (int(entries), *map(float, times))

    rows = [
        ("Chromium Bookmarks", "zorvel, profile file", zorvel["Bookmarks"]),
        ("", "zorvel, its HTML export", zorvel["chrome-export.html"]),
        ("", "Python json", time_python(python_chromium, files["Bookmarks"], args.runs)),
        ("Firefox places.sqlite", "zorvel, profile file", zorvel["places.sqlite"]),
        ("", "zorvel, its HTML export", zorvel["firefox-export.html"]),
        ("", "Python sqlite3", time_python(python_firefox, files["places.sqlite"], args.runs)),
    ]
    sizes = {k: os.path.getsize(v) / 1e6 for k, v in files.items()}
    print("%d bookmarks; Bookmarks %.0f MB, places.sqlite %.0f MB, exports %.0f / %.0f MB; %d runs"
          % (args.count, sizes["Bookmarks"], sizes["places.sqlite"], sizes["chrome-export.html"],
             sizes["firefox-export.html"], args.runs))
    print()
    print("| file | reader | found | best wall s | median wall s | best CPU s | ratio to zorvel (wall) |")
    print("|---|---|---:|---:|---:|---:|---:|")
    base = None
    for group, reader, (count, wbest, wmed, cbest, _cmed) in rows:
        if group:
            base = wbest
        print("| %s | %s | %d | %.3f | %.3f | %.3f | %.1f× |"
              % (group, reader, count, wbest, wmed, cbest, wbest / base))


if __name__ == "__main__":
    main()
