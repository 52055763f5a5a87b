#!/usr/bin/env python3
"""Bookmark HTML import whatever the file's layout, side by side in one run.

Times whole `zorvel-cli list` commands against the plain Python html.parser reader of
run_peers.py on three forms of the same generated 100,000-bookmark Chrome-style export:
as written (CR LF lines), the same on one single line, and the same in UTF-16LE with a
byte-order mark. With --old-cli, a second zorvel-cli (an earlier build) is timed in the
same run, for before/after figures. Prints a Markdown table; ratios are against the
Python reader on the same file. The floor beside them: a C scan that only finds each
HREF and title and writes them out (c_html_scan.c; UTF-8 files only).

Usage: bench/peers/import_layouts.py [--runs N] [--count N] [--old-cli PATH]
"""
import argparse
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
import run_peers  # noqa: E402  (its build, hyperfine and work-folder helpers)

# run_peers.py's reader, opening the file by its byte-order mark.
PY_READER = run_peers.PY_BASELINE.replace(
    'with open(sys.argv[1], encoding="utf-8") as f:',
    'enc = "utf-16" if open(sys.argv[1], "rb").read(2) in (b"\\xff\\xfe", b"\\xfe\\xff") '
    'else "utf-8-sig"\nwith open(sys.argv[1], encoding=enc) as f:')


def make_files(gen, count):
    base = os.path.join(run_peers.WORK, f"chrome_{count}.html")
    if not os.path.exists(base):
        run_peers.run([gen, str(count), base], stdout=subprocess.DEVNULL)
    with open(base, "rb") as f:
        data = f.read()
    one_line = os.path.join(run_peers.WORK, f"chrome_{count}_one_line.html")
    with open(one_line, "wb") as f:
        f.write(data.replace(b"\r\n", b""))
    utf16 = os.path.join(run_peers.WORK, f"chrome_{count}_utf16le.html")
    with open(utf16, "wb") as f:
        f.write(b"\xff\xfe" + data.decode("utf-8").encode("utf-16-le"))
    return [("as written", base), ("one line", one_line), ("UTF-16LE", utf16)]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--count", type=int, default=100000)
    ap.add_argument("--old-cli", help="an earlier zorvel-cli to time in the same run")
    a = ap.parse_args()
    os.makedirs(run_peers.WORK, exist_ok=True)
    cli, gen = run_peers.build()
    reader = os.path.join(run_peers.WORK, "reader_any_encoding.py")
    with open(reader, "w") as f:
        f.write(PY_READER)
    files = make_files(gen, a.count)
    floor = os.path.join(run_peers.WORK, "c_html_scan")
    run_peers.run(["cc", "-O2", "-o", floor, os.path.join(os.path.dirname(__file__), "c_html_scan.c")])

    tools = {"zorvel-cli list": cli}
    if a.old_cli:
        tools["zorvel-cli list (before)"] = a.old_cli
    cmds, found = {}, {}
    for label, path in files:
        for name, exe in tools.items():
            cmds[f"{name} | {label}"] = f"{exe} list {path} >/dev/null 2>&1"
            found[f"{name} | {label}"] = run_peers.count_output(f"{exe} list {path} 2>/dev/null | wc -l")
        cmds[f"Python html.parser | {label}"] = f"{run_peers.PY} {reader} {path} >/dev/null"
        if label != "UTF-16LE":
            cmds[f"C scan (floor) | {label}"] = f"{floor} {path} >/dev/null 2>&1"
            found[f"C scan (floor) | {label}"] = run_peers.count_output(f"{floor} {path} 2>/dev/null | wc -l")
        found[f"Python html.parser | {label}"] = run_peers.count_output(f"{run_peers.PY} {reader} {path}")
    times = run_peers.hyperfine(cmds, a.runs)

    print(f"\n### Import of {a.count:,} Chrome-style bookmarks by layout, whole commands "
          f"({a.runs} runs, one hyperfine run)\n")
    print("| file | MB | tool | min s | median s | Python ÷ tool | tool ÷ zorvel-cli as written | found |")
    print("|---|---:|---|---:|---:|---:|---:|---:|")
    ref = statistics.median(times[f"zorvel-cli list | as written"])
    for label, path in files:
        py = statistics.median(times[f"Python html.parser | {label}"])
        mb = os.path.getsize(path) / 1e6
        for name in list(tools) + ["Python html.parser", "C scan (floor)"]:
            key = f"{name} | {label}"
            if key not in times:
                continue
            med = statistics.median(times[key])
            print(f"| {label} | {mb:.0f} | {name} | {min(times[key]):.3f} | {med:.3f} | "
                  f"{py / med:.1f}× | {med / ref:.2f}× | {found[key]} |")
    print()
    for label, _ in files:
        if f"C scan (floor) | {label}" in times:
            c = statistics.median(times[f"C scan (floor) | {label}"])
            z = statistics.median(times[f"zorvel-cli list | {label}"])
            print(f"zorvel-cli list ÷ C scan floor, {label}: {z / c:.2f}×")


if __name__ == "__main__":
    main()
