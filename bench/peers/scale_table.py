#!/usr/bin/env python3
"""Every scale figure at 10k / 100k / 1M beside its peer or floor, in one run, as one table.

  scale_table.py [--build DIR] [--sizes 10000,100000,1000000] [--work DIR] [--keep]

For each size N it measures, with whole commands (hyperfine medians; fewer runs as N grows):
  list       `zorvel-cli list` of a Chrome-style export of N bookmarks (zorvel-gen-bookmarks)
             against the plain Python html.parser reader of run_peers.py
  memory     peak resident memory of `list` and of `merge` (/usr/bin/time -v), and the
             heap per entry once the list is filled (zorvel-import-probe), with and
             without the icon store
  scan       `zorvel-cli list` of a tree of N .url/.website files against a C program
             that walks and reads the same tree (c_tree_read.c); system calls per file
             from strace (up to 100k: tracing a million files takes longer than the rest)
  export     `export-folder` of that tree into an empty folder against `cp -r` of the
             tree it wrote, and the same export again over its own unchanged output
             (up to --folder-max)
  window     the window with the export as its base file (window_scale.py): time to the
             filled list, its memory per entry, close to process exit

Builds zorvel-cli, the generator and the probe (Release) in DIR unless they are there.
Prints the load average at the start and the end and a Markdown table. With the default
sizes the run takes about 12 minutes on the 2-core build machine; --work holds up to
~12 GB at 1M (the trees are removed at the end unless --keep).
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import run_peers  # noqa: E402  (the Python reader)
import writers_scale  # noqa: E402  (the .url tree, strace and peak-memory helpers)
import window_scale  # noqa: E402  (the window with a large base file)

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def build(build_dir):
    run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
         "-DZORVEL_BUILD_BENCH=ON", "-DZORVEL_BUILD_TESTS=OFF"], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", build_dir, "--target", "zorvel-cli", "zorvel-gen-bookmarks",
         "zorvel-import-probe", "zorvel"], stdout=subprocess.DEVNULL)
    return (os.path.join(build_dir, "src", "cli", "zorvel-cli"),
            os.path.join(build_dir, "bench", "model", "zorvel-gen-bookmarks"),
            os.path.join(build_dir, "bench", "model", "zorvel-import-probe"),
            os.path.join(build_dir, "src", "app", "zorvel"))


def med(times):
    return statistics.median(times)


def runs_for(n):
    return 5 if n <= 10_000 else (3 if n <= 100_000 else 2)


# strace slows every system call many times over: at a million files it would
# take longer than everything else together.
STRACE_MAX = 100_000


def folder_runs(n):
    return 3 if n <= 10_000 else 1


def hyperfine(commands, runs, work, prepare=None):
    return writers_scale.hyperfine(commands, runs, prepare=prepare, work=work)


def load():
    a = os.getloadavg()
    return f"{a[0]:.2f} {a[1]:.2f} {a[2]:.2f}"


def measure(n, cli, gen, probe, zorvel, floor, work, reader, folder_max):
    runs = runs_for(n)
    out = {}
    # ---- list against the Python reader
    html = os.path.join(work, f"chrome-{n}.html")
    if not os.path.exists(html):
        run([gen, str(n), html], stdout=subprocess.DEVNULL)
    t = hyperfine({"zorvel": f"{cli} list {html} >/dev/null 2>&1",
                   "python": f"{run_peers.PY} {reader} {html} >/dev/null"}, runs, work)
    out["list"] = (med(t["zorvel"]), med(t["python"]))
    # ---- memory
    lst = writers_scale.peak_mb([cli, "list", html])
    mrg = writers_scale.peak_mb([cli, "merge", "-o", os.path.join(work, "merged.html"), html])
    out["peak"] = (lst, mrg)
    text = subprocess.run([probe, html], check=True, capture_output=True, text=True).stdout
    per = re.search(r"(\d+) bytes per entry", text)
    icons = re.search(r"icons: (\d+) distinct, ([\d.]+) MB\s+(\d+) bytes per entry;\s+"
                      r"without them (\d+) bytes per entry", text)
    imp = re.search(r"import ([\d.]+) s", text)
    out["heap"] = (int(per.group(1)), int(icons.group(4)), int(icons.group(3)))
    out["import"] = float(imp.group(1))
    entries = int(re.search(r"entries (\d+)", text).group(1))
    out["window"] = window_scale.measure(zorvel, html, entries, work)
    if n > folder_max:
        return out
    # ---- folder scan against the C read of the same tree
    tree = os.path.join(work, f"tree-{n}")
    writers_scale.make_tree(tree, n)
    run([floor, tree], stdout=subprocess.DEVNULL)  # the page cache warm for both
    t = hyperfine({"zorvel": f"{cli} list '{tree}' >/dev/null 2>&1",
                   "c": f"{floor} '{tree}' >/dev/null"}, runs, work)
    out["scan"] = (med(t["zorvel"]), med(t["c"]))
    runs = folder_runs(n)
    if n <= STRACE_MAX:
        out["calls"] = (writers_scale.syscalls_per_file([cli, "list", tree], n, work),
                        writers_scale.syscalls_per_file([floor, tree], n, work))
    # ---- folder export: first, cp -r of what it wrote, again over it unchanged
    exp = os.path.join(work, f"export-{n}")
    copy = os.path.join(work, f"copy-{n}")
    cmd = f"{cli} export-folder -o '{exp}' '{tree}' >/dev/null 2>&1"
    first = hyperfine({"first": cmd}, runs, work, prepare=f"rm -rf '{exp}'")["first"]
    again = hyperfine({"again": cmd}, runs, work)["again"]
    cp = hyperfine({"cp": f"cp -r '{exp}' '{copy}'"}, runs, work, prepare=f"rm -rf '{copy}'")["cp"]
    out["export"] = (med(first), med(cp), med(again))
    run(["rm", "-rf", copy])
    return out


def table(sizes, results):
    def row(figure, peer, cell):
        print(f"| {figure} | {peer} | " + " | ".join(cell(results[n]) for n in sizes) + " |")

    def folder(fmt):
        return lambda r: fmt(r) if "scan" in r else "–"

    print("| figure | peer or floor | " + " | ".join(f"{n:,}" for n in sizes) + " |")
    print("|---|---|" + "---:|" * len(sizes))
    row("`list` of a Chrome-style export, median s", "Python `html.parser` reader",
        lambda r: f"{r['list'][0]:.3f} · {r['list'][1]:.3f} · **{r['list'][1] / r['list'][0]:.1f}×**")
    row("peak memory, `list` · `merge`, MB", "merge ≤ list + 10 %",
        lambda r: f"{r['peak'][0]:.0f} · {r['peak'][1]:.0f} · {r['peak'][1] / r['peak'][0]:.2f}×")
    row("heap per entry once filled, bytes: all · without icons · icons", "goal ≤ 250",
        lambda r: f"{r['heap'][0]} · {r['heap'][1]} · {r['heap'][2]}")
    row("import in process (probe), s", "–", lambda r: f"{r['import']:.3f}")
    row("window: list filled after start, s: browser file · own file", "–",
        lambda r: f"{r['window']['filled']:.2f} · {r['window']['filled_own']:.2f}")
    row("window memory per entry once filled, bytes", "goal ≤ 250",
        lambda r: f"{r['window']['bytes_per_entry']:.0f}")
    row("window: close to process exit, s: writing · unchanged", "–",
        lambda r: f"{r['window']['close_first']:.2f} · {r['window']['close_unchanged']:.2f}")
    row("folder scan of N shortcut files, files/s", "C read of the same tree",
        folder(lambda r: f"{r['n'] / r['scan'][0]:,.0f} · {r['n'] / r['scan'][1]:,.0f} · "
                         f"{r['scan'][0] / r['scan'][1]:.2f}×"))
    row("system calls per file of the scan", "C read",
        lambda r: f"{r['calls'][0]:.1f} · {r['calls'][1]:.1f}" if "calls" in r else "–")
    row("folder export into an empty folder, s", "`cp -r` of the written tree",
        folder(lambda r: f"{r['export'][0]:.2f} · {r['export'][1]:.2f} · "
                         f"{r['export'][0] / r['export'][1]:.2f}×"))
    row("the same export again over it, unchanged, s", "÷ first export",
        folder(lambda r: f"{r['export'][2]:.2f} · {r['export'][2] / r['export'][0]:.2f}×"))


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    p.add_argument("--build", default=os.path.join(ROOT, "build", "peers"))
    p.add_argument("--sizes", default="10000,100000,1000000")
    p.add_argument("--work", default="/tmp/zorvel-scale-table")
    p.add_argument("--folder-max", type=int, default=1_000_000,
                   help="the largest N of the folder figures (a tree of N files is made)")
    p.add_argument("--keep", action="store_true", help="keep the generated files and trees")
    a = p.parse_args()
    os.makedirs(a.work, exist_ok=True)
    cli, gen, probe, zorvel = build(a.build)
    floor = os.path.join(a.work, "c_tree_read")
    run(["cc", "-O2", "-o", floor, os.path.join(ROOT, "bench", "peers", "c_tree_read.c")])
    reader = os.path.join(a.work, "reader.py")
    with open(reader, "w") as f:
        f.write(run_peers.PY_BASELINE)
    sizes = [int(s) for s in a.sizes.split(",")]
    start = time.time()
    print(f"Load average at start: {load()} on {os.cpu_count()} cores", flush=True)
    results = {}
    for n in sizes:
        results[n] = measure(n, cli, gen, probe, zorvel, floor, a.work, reader, a.folder_max)
        results[n]["n"] = n
        print(f"  {n:,} done after {time.time() - start:.0f} s, load {load()}",
              file=sys.stderr, flush=True)
    print(f"Load average at the end: {load()}; {time.time() - start:.0f} s in all\n")
    print("Cells: zorvel-cli · peer · zorvel-cli ÷ peer (for `list`: peer ÷ zorvel-cli).\n")
    table(sizes, results)
    if not a.keep:
        # rm -rf: shutil.rmtree takes a quarter of an hour over two million files.
        run(["rm", "-rf"] + [os.path.join(a.work, f"{d}-{n}") for n in sizes
                             for d in ("tree", "export", "copy")])


if __name__ == "__main__":
    main()
